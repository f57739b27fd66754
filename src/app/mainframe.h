#pragma once

#include <QMainWindow>

class QMdiArea;

namespace tavimo {

// The program's frame: a multiple-document window for the windows that the
// menu starts.
class MainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainFrame(QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_mdi; }

private:
    QMdiArea *m_mdi;
};

} // namespace tavimo
