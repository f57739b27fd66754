#pragma once

#include "values.h"

#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QAbstractButton;
class QLabel;
class QPushButton;
class QToolButton;

namespace tavimo {

// The calendar a form opens beside a date entry: one month of day buttons
// in which the user steps through days, months and years and picks a date.
class CalendarPicker : public QDialog
{
    Q_OBJECT

public:
    enum Response { Chosen = 1, Cancelled = 2 };

    enum Control {
        CtrlExit,
        CtrlToday,
        CtrlPrevMonth,
        CtrlNextMonth,
        CtrlPrevYear,
        CtrlNextYear,
        CtrlMore7,
        CtrlLess7,
        CtrlMore15,
        CtrlLess15,
    };

    enum Label { CtrlCurrTime, CtrlMonthYear, CtrlTheDate };

    enum class Step {
        DayBack, DayForward,     // left / right arrow
        WeekBack, WeekForward,   // up / down arrow
        Less7, More7, Less15, More15,
        PrevMonth, NextMonth, PrevYear, NextYear,
        Today,
    };

    static constexpr int DayButtons = 42;
    static constexpr int DefaultFirstWeekday = 7;
    static const QString DefaultCaption; // "Select a Date"

    using Clock = std::function<QDateTime()>;

    explicit CalendarPicker(QWidget *parent = nullptr);
    ~CalendarPicker() override;

    // Runs the window modally. Returns the chosen date, or the date given
    // (today when it was blank or outside 1801-2099) when nothing was chosen.
    Date ask(Date date, const QString &caption = QString());

    // The same without a nested event loop: shows the window with open();
    // response() and selectedDate() are set when finished() is emitted.
    void start(Date date, const QString &caption = QString());

    // Where the window opens; x is its right edge when rightAlignment() is on.
    void setPosition(int x, int y);
    void clearPosition();

    int firstWeekday() const { return m_firstWeekday; }
    void setFirstWeekday(int weekday); // 1 Monday ... 7 Sunday; 0 or above 7 means 7
    bool selectOnClose() const { return m_selectOnClose; }
    void setSelectOnClose(bool on) { m_selectOnClose = on; }
    bool rightAlignment() const { return m_rightAlignment; }
    void setRightAlignment(bool on) { m_rightAlignment = on; }

    QColor colorSunday() const { return m_colorSunday; }
    QColor colorSaturday() const { return m_colorSaturday; }
    QColor colorOther() const { return m_colorOther; }
    QColor colorHoliday() const { return m_colorHoliday; }
    void setColorSunday(const QColor &color);
    void setColorSaturday(const QColor &color);
    void setColorOther(const QColor &color);
    void setColorHoliday(const QColor &color);

    // "Today" and the clock come from here, so that a test can fix them.
    void setClock(Clock clock);
    static void setDefaultClock(Clock clock); // for pickers made later; empty = system clock
    Date today() const;

    int response() const { return m_response; }
    Date selectedDate() const { return m_selectedDate; }
    Date startDate() const { return m_startDate; }
    Date highlightedDate() const { return m_highlighted; }
    int shownMonth() const { return m_shownMonth; }
    int shownYear() const { return m_shownYear; }
    int firstColumn() const { return m_firstColumn; } // 0-based
    int daysInMonth() const { return m_daysInMonth; }

    void step(Step step);
    void setHighlightedDate(Date date);

    QAbstractButton *control(Control control) const;
    QAbstractButton *dayButton(int number) const; // 1 ... 42
    QLabel *label(Label label) const;
    QLabel *weekdayHeading(int column) const;     // 1 ... 7

    static Date earliestDate(); // 1 January 1801
    static Date latestDate();   // 31 December 2099
    static QString monthName(int month);

public slots:
    void done(int result) override;

protected:
    // Days answered true here are shown in colorHoliday().
    virtual bool isHoliday(Date date, int month, int year, int day) const;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void buildWindow();
    void prepare(Date date, const QString &caption);
    void applyPosition();
    void showMonth();
    void styleDayButton(int index);
    void updateDateLabel();
    void refreshClock();
    QColor columnColor(int column) const;
    void dayClicked(int index);
    void exitClicked();

    Clock m_clock;
    int m_firstWeekday = DefaultFirstWeekday;
    bool m_selectOnClose = false;
    bool m_rightAlignment = false;
    bool m_hasPosition = false;
    int m_x = 0;
    int m_y = 0;
    QColor m_colorSunday;
    QColor m_colorSaturday;
    QColor m_colorOther;
    QColor m_colorHoliday;

    int m_response = Cancelled;
    Date m_selectedDate;
    Date m_startDate;
    Date m_highlighted;
    int m_shownMonth = 0;
    int m_shownYear = 0;
    int m_firstColumn = 0;
    int m_daysInMonth = 0;
    int m_highlightIndex = -1; // 0-based button of the highlighted day
    int m_clockTimer = 0;
    bool m_redrawing = false;

    std::array<QAbstractButton *, 10> m_controls{};
    std::array<QLabel *, 3> m_labels{};
    std::array<QToolButton *, DayButtons> m_days{};
    std::array<QLabel *, 7> m_headings{};
};

} // namespace tavimo
