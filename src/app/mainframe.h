#pragma once

#include <QMainWindow>

class QAction;
class QMdiArea;
class QMenu;

namespace tavimo {

class ThreadContext;

// The program's frame: a multiple-document window with the menu from
// which every list, report and tool is started.
class MainFrame : public QMainWindow
{
    Q_OBJECT
public:
    MainFrame(ThreadContext &context, const QString &dataFolder, QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_mdi; }
    ThreadContext &context() const { return m_context; }
    QAction *yourDoctorAction() const { return m_yourDoctor; }

    // Starts a procedure from the menu, in a context of its own.
    void startInNewContext(const QString &procedure);
    // Starts a procedure on the frame's own context and waits for it.
    void startHere(const QString &procedure);

private:
    QAction *addItem(QMenu *menu, const QString &caption, const QString &status, const QString &procedure);
    void buildMenu();

    ThreadContext &m_context;
    QString m_dataFolder;
    QMdiArea *m_mdi;
    QAction *m_yourDoctor = nullptr;
};

} // namespace tavimo
