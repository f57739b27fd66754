#pragma once

#include "browsemanager.h"
#include "procedurewindow.h"

#include <QString>

#include <initializer_list>
#include <memory>
#include <vector>

class QHBoxLayout;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace tavimo {

class BrowseList;

// A list window: one or more browses, each with the tabs of its sort
// orders above its list and its action buttons below, and the window's
// Close and Help buttons. Derived windows declare their browses in
// createBrowses(); the life cycle, the first fill and the select request
// are the window's.
class BrowseWindow : public ProcedureWindow
{
    Q_OBJECT
public:
    BrowseWindow(ThreadContext &context, const QString &procedureName, QWidget *owner = nullptr);
    ~BrowseWindow() override;

    const std::vector<BrowseManager *> &browses() const { return m_browseList; }
    BrowseManager &browse(std::size_t index = 0) const { return *m_browseList.at(index); }
    QTabWidget *tabs(const BrowseManager &browse) const;
    QPushButton *button(const BrowseManager &browse, int control) const;
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }
    virtual QString helpTopic() const { return QString(); }

signals:
    void helpRequested(const QString &topic);

protected:
    // Builds the browses with addBrowse, their orders, columns and buttons.
    virtual void createBrowses(QWidget *area) = 0;

    // A browse of the primary table with its list, placed in `area`.
    BrowseManager &addBrowse(std::unique_ptr<BrowseManager> browse, RelationManager &primary, QWidget *area);
    // A tab for an order of the browse (a key, or -1); the order becomes current.
    int addOrderTab(BrowseManager &browse, const QString &caption, int key);
    // Action buttons in the order given, with their usual captions.
    void addActionButtons(BrowseManager &browse, std::initializer_list<int> controls);
    // A button of the window's own in the browse's button row.
    QPushButton *addButtonTo(BrowseManager &browse, const QString &caption);

    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;

private:
    struct Sheet
    {
        std::unique_ptr<BrowseManager> browse;
        QWidget *holder = nullptr;
        QVBoxLayout *layout = nullptr;
        BrowseList *list = nullptr;
        QTabWidget *tabs = nullptr;
        std::vector<int> tabOrders;
        QHBoxLayout *buttonRow = nullptr;
        std::vector<std::pair<int, QPushButton *>> buttons;
    };
    Sheet *sheetOf(const BrowseManager &browse) const;
    void tabChanged(Sheet &sheet, int index);

    std::vector<std::unique_ptr<Sheet>> m_sheets;
    std::vector<BrowseManager *> m_browseList;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
};

} // namespace tavimo
