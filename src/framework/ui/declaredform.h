#pragma once

#include "formspec.h"
#include "formwindow.h"

#include <QString>

#include <memory>
#include <vector>

class QFormLayout;
class QPushButton;
class QTabWidget;

namespace tavimo {

class TableDropList;

// An entry form built from its declaration: tabs, rows, pictures, check
// boxes, radio groups, spin boxes, dates with their calendar and drop-down
// lists over reference tables. A form with behaviour of its own derives
// and overrides only the hooks it needs.
class DeclaredForm : public FormWindow
{
    Q_OBJECT
public:
    DeclaredForm(ThreadContext &context, const FormSpec &spec, QWidget *owner = nullptr);
    ~DeclaredForm() override;

    const FormSpec &spec() const { return m_spec; }
    QTabWidget *tabs() const { return m_tabs; } // null for a form without tabs
    // The control of a row, by its field name; null when none.
    QWidget *control(const QString &field) const;
    TableDropList *drop(const QString &field) const;

    // The primary table of a declaration; null (with a warning) when its
    // label names no table of the context.
    static RelationManager *primaryOf(ThreadContext &context, const FormSpec &spec);

protected:
    void createFields(QWidget *area) override;
    int setup() override;
    QString helpTopic() const override { return QString::fromLatin1(m_spec.helpTopic); }
    QString caption() const override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // A row's control is built and bound; forms attach their own work here.
    virtual void rowBuilt(const FormRow &row, QWidget *control) { (void)row; (void)control; }

private:
    QWidget *buildRow(const FormRow &row, QWidget *page, QFormLayout *form);
    QWidget *buildDrop(const FormRow &row, QWidget *page);

    const FormSpec &m_spec;
    QTabWidget *m_tabs = nullptr;
    std::vector<std::pair<QString, QWidget *>> m_controls;
    std::vector<std::pair<QString, std::unique_ptr<TableDropList>>> m_drops;
    std::vector<QPushButton *> m_besides;
    std::vector<std::pair<QWidget *, QString>> m_fieldHelp;
};

} // namespace tavimo
