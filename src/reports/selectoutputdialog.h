#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tavimo {

// "Select an Output": the printer (when offered) and the generators, in
// columns of at least three rows; OK takes the highlighted entry.
class SelectOutputDialog : public QDialog
{
    Q_OBJECT
public:
    SelectOutputDialog(const QStringList &entries, bool printerFirst, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    // The highlighted row once accepted, else -1.
    int chosenRow() const;

    // Runs the window; the row taken or -1.
    static int choose(const QStringList &entries, bool printerFirst, QWidget *parent);

private:
    QListWidget *m_list;
};

} // namespace tavimo
