#pragma once

#include "procedurewindow.h"

#include <QList>
#include <QMdiArea>
#include <QObject>
#include <QPointer>

#include <vector>

class QAbstractButton;
class QKeyEvent;
class QMdiSubWindow;

namespace tavimo {

// Keeps the windows started from the menu inside the frame: a window
// without an owner becomes a child window of the frame's work area, and a
// form owned by one of them keeps only that window waiting, not the whole
// frame. A window that calls setHostable(false) stays a window of its own.
class MdiHost : public QObject, public WindowHost
{
    Q_OBJECT
public:
    // Installs itself as the procedures' host.
    explicit MdiHost(QMdiArea *area);
    // Lets go of every window still inside; they stay with their procedures.
    ~MdiHost() override;

    void opening(ProcedureWindow &procedure) override;
    void closed(ProcedureWindow &procedure) override;
    void returned(ProcedureWindow &procedure) override;

    // The child window of a procedure, null when it has none.
    QMdiSubWindow *subWindowOf(const ProcedureWindow &procedure) const;
    // The procedures running since the host was made, in the order they opened.
    std::vector<ProcedureWindow *> running() const;
    // A window that takes no input until the forms it started are back
    // with it: a form that has closed may still be on its way back behind
    // a form of another window that opened later.
    bool isWaiting(const QWidget *window) const;
    // Asks every running procedure to close, the last opened first (forms
    // before the windows they belong to). False when one would not.
    bool closeAll();
    // Closes the forms that keep `window` waiting, the last opened first.
    bool closeFormsOf(const QWidget *window);

    // The child windows side by side, or one over the other from the top
    // left, inside the work area as it is: the frame never grows for them.
    void tile();
    void cascade();
    // Moves and shrinks a child window into the work area's view.
    void fitInside(QMdiSubWindow *sub) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QPointer<ProcedureWindow> procedure;
        QPointer<QMdiSubWindow> sub; // hosted
        QPointer<QWidget> waiting;   // the window this one keeps waiting
    };
    QMdiSubWindow *adopt(ProcedureWindow &procedure);
    QList<QMdiSubWindow *> arrangeable(QMdiArea::WindowOrder order);
    QMdiSubWindow *hostedAround(QWidget *widget) const;
    QWidget *waitingAround(QWidget *widget) const;
    QDialog *hostedDialogAround(QWidget *widget) const;
    QAbstractButton *mnemonicButton(QDialog *dialog, const QKeyEvent *key) const;
    bool closeNewestFirst(const std::vector<QPointer<ProcedureWindow>> &procedures);

    QPointer<QMdiArea> m_area;
    std::vector<Entry> m_entries;
    QPointer<QAbstractButton> m_pendingMnemonic;
};

} // namespace tavimo
