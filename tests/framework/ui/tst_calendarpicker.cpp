// The calendar date picker: the month grid, every way of moving the
// highlighted date, choosing and cancelling.
#include "calendarpicker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tavimo;

namespace {

const QDate kToday(2031, 3, 14); // a Friday
const QTime kNow(10, 15, 0);

Date ymd(int y, int m, int d)
{
    return Date::fromYmd(y, m, d);
}

// Holidays for the colour test: the 4th of July of any year.
class HolidayPicker : public CalendarPicker
{
protected:
    bool isHoliday(Date, int month, int, int day) const override { return month == 7 && day == 4; }
};

QAbstractButton *buttonOfDay(const CalendarPicker &picker, int day)
{
    for (int i = 1; i <= CalendarPicker::DayButtons; ++i) {
        QAbstractButton *b = picker.dayButton(i);
        if (!b->isHidden() && b->text() == QString::number(day))
            return b;
    }
    return nullptr;
}

bool isMarked(const QAbstractButton *button)
{
    return button->font().bold() && button->font().underline();
}

} // namespace

Q_DECLARE_METATYPE(tavimo::Date)

class TestCalendarPicker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void openingDate_data();
    void openingDate();
    void nextMonthFrom31January();
    void saturdayFirstInSeventhColumn();
    void closeBoxReturnsDatePassedIn_data();
    void closeBoxReturnsDatePassedIn();
    void moves_data();
    void moves();
    void arrowReturnsFocusToCloseButton();
    void weekdayHeadings_data();
    void weekdayHeadings();
    void monthGrid_data();
    void monthGrid();
    void monthHeading_data();
    void monthHeading();
    void onlyHighlightedDayIsBoldAndUnderlined();
    void dayColours();
    void selectOnClose_data();
    void selectOnClose();
    void clickedDayChoosesAndCloses();
    void dayTakenWithFocusHighlightsWithoutClosing();
    void arrowFromFocusedDayKeepsItsStep();
    void enterMovesFocusElsewhere();
    void escapeCancels();
    void caption_data();
    void caption();
    void clockFollowsTimer();
    void position_data();
    void position();

private:
    void open(CalendarPicker &picker, Date date);
};

void TestCalendarPicker::initTestCase()
{
    CalendarPicker::setDefaultClock([] { return QDateTime(kToday, kNow); });
}

void TestCalendarPicker::cleanupTestCase()
{
    CalendarPicker::setDefaultClock({});
}

void TestCalendarPicker::open(CalendarPicker &picker, Date date)
{
    picker.start(date);
    QVERIFY(picker.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&picker));
}

void TestCalendarPicker::openingDate_data()
{
    QTest::addColumn<Date>("given");
    QTest::addColumn<Date>("expected");
    const Date today = Date::fromQDate(kToday);
    QTest::newRow("blank") << Date() << today;
    QTest::newRow("1 January 1800") << ymd(1800, 1, 1) << today;
    QTest::newRow("31 December 1800") << ymd(1800, 12, 31) << today;
    QTest::newRow("1 January 1801") << ymd(1801, 1, 1) << ymd(1801, 1, 1);
    QTest::newRow("31 December 2099") << ymd(2099, 12, 31) << ymd(2099, 12, 31);
    QTest::newRow("1 January 2100") << ymd(2100, 1, 1) << today;
    QTest::newRow("ordinary") << ymd(1993, 1, 3) << ymd(1993, 1, 3);
}

void TestCalendarPicker::openingDate()
{
    QFETCH(Date, given);
    QFETCH(Date, expected);
    CalendarPicker picker;
    open(picker, given);
    QCOMPARE(picker.highlightedDate(), expected);
    QCOMPARE(picker.startDate(), expected);
    QCOMPARE(picker.shownMonth(), expected.month());
    QCOMPARE(picker.shownYear(), expected.year());
    QVERIFY(isMarked(buttonOfDay(picker, expected.day())));
}

void TestCalendarPicker::nextMonthFrom31January()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 1, 31));
    QTest::mouseClick(picker.control(CalendarPicker::CtrlNextMonth), Qt::LeftButton);
    QCOMPARE(picker.highlightedDate(), ymd(2024, 2, 1));
    QCOMPARE(picker.label(CalendarPicker::CtrlMonthYear)->text(), QStringLiteral("February 2024"));
}

void TestCalendarPicker::saturdayFirstInSeventhColumn()
{
    CalendarPicker picker;
    QCOMPARE(picker.firstWeekday(), 7);
    open(picker, ymd(2024, 6, 15)); // 1 June 2024 is a Saturday
    QCOMPARE(picker.firstColumn(), 6);
    QCOMPARE(picker.weekdayHeading(1)->text(), QStringLiteral("Sun"));
    QCOMPARE(picker.weekdayHeading(7)->text(), QStringLiteral("Sat"));
    for (int i = 1; i <= 6; ++i)
        QVERIFY2(picker.dayButton(i)->isHidden(), qPrintable(QString::number(i)));
    QVERIFY(!picker.dayButton(7)->isHidden());
    QCOMPARE(picker.dayButton(7)->text(), QStringLiteral("1"));
    QCOMPARE(picker.dayButton(8)->text(), QStringLiteral("2")); // Sunday opens the second row
}

void TestCalendarPicker::closeBoxReturnsDatePassedIn_data()
{
    QTest::addColumn<Date>("given");
    QTest::addColumn<Date>("expected");
    QTest::newRow("a date") << ymd(2010, 5, 17) << ymd(2010, 5, 17);
    QTest::newRow("blank gives today") << Date() << Date::fromQDate(kToday);
}

void TestCalendarPicker::closeBoxReturnsDatePassedIn()
{
    QFETCH(Date, given);
    QFETCH(Date, expected);
    CalendarPicker picker;
    // The user moves away first; closing must still answer the given date.
    QTimer::singleShot(0, &picker, [&picker] {
        QTest::mouseClick(picker.control(CalendarPicker::CtrlMore15), Qt::LeftButton);
        picker.close();
    });
    QTimer::singleShot(5000, &picker, &QDialog::reject); // never wait for a person
    const Date answer = picker.ask(given, QStringLiteral("Date Filled?"));
    QCOMPARE(answer, expected);
    QCOMPARE(picker.selectedDate(), expected);
    QCOMPARE(picker.response(), int(CalendarPicker::Cancelled));
    QCOMPARE(picker.highlightedDate(), expected.addDays(15));
}

void TestCalendarPicker::moves_data()
{
    QTest::addColumn<Date>("from");
    QTest::addColumn<QString>("action");
    QTest::addColumn<Date>("expected");

    QTest::newRow("left into leap day") << ymd(2024, 3, 1) << "left" << ymd(2024, 2, 29);
    QTest::newRow("right out of leap day") << ymd(2024, 2, 29) << "right" << ymd(2024, 3, 1);
    QTest::newRow("right over new year") << ymd(2023, 12, 31) << "right" << ymd(2024, 1, 1);
    QTest::newRow("up") << ymd(1993, 1, 3) << "up" << ymd(1992, 12, 27);
    QTest::newRow("down") << ymd(1992, 12, 28) << "down" << ymd(1993, 1, 4);
    QTest::newRow("-7") << ymd(2024, 3, 5) << "less7" << ymd(2024, 2, 27);
    QTest::newRow("+7") << ymd(2023, 2, 25) << "more7" << ymd(2023, 3, 4);
    QTest::newRow("-15") << ymd(2024, 1, 10) << "less15" << ymd(2023, 12, 26);
    QTest::newRow("+15") << ymd(2023, 12, 20) << "more15" << ymd(2024, 1, 4);
    QTest::newRow("next month, same day") << ymd(2024, 5, 15) << "nextMonth" << ymd(2024, 6, 15);
    QTest::newRow("next month, December to January") << ymd(2023, 12, 15) << "nextMonth" << ymd(2024, 1, 15);
    QTest::newRow("previous month, January to December") << ymd(2024, 1, 15) << "prevMonth" << ymd(2023, 12, 15);
    QTest::newRow("next month, 29th into a leap February") << ymd(2024, 1, 29) << "nextMonth" << ymd(2024, 2, 29);
    QTest::newRow("next month, 29th into a short February") << ymd(2023, 1, 29) << "nextMonth" << ymd(2023, 2, 1);
    QTest::newRow("next month, 31 August") << ymd(2024, 8, 31) << "nextMonth" << ymd(2024, 9, 1);
    QTest::newRow("previous month, 31 March") << ymd(2023, 3, 31) << "prevMonth" << ymd(2023, 2, 1);
    QTest::newRow("previous month, 31 May") << ymd(2024, 5, 31) << "prevMonth" << ymd(2024, 4, 1);
    QTest::newRow("previous month, 31 December") << ymd(2024, 12, 31) << "prevMonth" << ymd(2024, 11, 1);
    QTest::newRow("next year from 29 February") << ymd(2024, 2, 29) << "nextYear" << ymd(2025, 2, 1);
    QTest::newRow("previous year from 29 February") << ymd(2024, 2, 29) << "prevYear" << ymd(2023, 2, 1);
    QTest::newRow("next year, 28 February") << ymd(2023, 2, 28) << "nextYear" << ymd(2024, 2, 28);
    QTest::newRow("previous year, ordinary") << ymd(2021, 6, 15) << "prevYear" << ymd(2020, 6, 15);
    QTest::newRow("today") << ymd(1990, 6, 15) << "today" << Date::fromQDate(kToday);
    QTest::newRow("left stops at 1 January 1801") << ymd(1801, 1, 1) << "left" << ymd(1801, 1, 1);
    QTest::newRow("+15 stops at 31 December 2099") << ymd(2099, 12, 20) << "more15" << ymd(2099, 12, 31);
    QTest::newRow("next year stops in 2099") << ymd(2099, 6, 1) << "nextYear" << ymd(2099, 12, 31);
}

void TestCalendarPicker::moves()
{
    QFETCH(Date, from);
    QFETCH(QString, action);
    QFETCH(Date, expected);

    const QHash<QString, Qt::Key> keys = {
        {"left", Qt::Key_Left}, {"right", Qt::Key_Right}, {"up", Qt::Key_Up}, {"down", Qt::Key_Down}};
    const QHash<QString, CalendarPicker::Control> buttons = {
        {"less7", CalendarPicker::CtrlLess7},         {"more7", CalendarPicker::CtrlMore7},
        {"less15", CalendarPicker::CtrlLess15},       {"more15", CalendarPicker::CtrlMore15},
        {"prevMonth", CalendarPicker::CtrlPrevMonth}, {"nextMonth", CalendarPicker::CtrlNextMonth},
        {"prevYear", CalendarPicker::CtrlPrevYear},   {"nextYear", CalendarPicker::CtrlNextYear},
        {"today", CalendarPicker::CtrlToday}};

    CalendarPicker picker;
    open(picker, from);
    if (keys.contains(action))
        QTest::keyClick(QApplication::focusWidget(), keys.value(action));
    else
        QTest::mouseClick(picker.control(buttons.value(action)), Qt::LeftButton);

    QCOMPARE(picker.highlightedDate(), expected);
    QCOMPARE(picker.shownMonth(), expected.month());
    QCOMPARE(picker.shownYear(), expected.year());
    QVERIFY(picker.isVisible());
    QCOMPARE(picker.response(), int(CalendarPicker::Cancelled));
    QAbstractButton *marked = buttonOfDay(picker, expected.day());
    QVERIFY(marked);
    QVERIFY(isMarked(marked));
    QCOMPARE(picker.label(CalendarPicker::CtrlTheDate)->text(),
             QLocale::c().toString(expected.toQDate(), QStringLiteral("dddd, MMMM d, yyyy")));
}

void TestCalendarPicker::arrowReturnsFocusToCloseButton()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 5, 15));
    QAbstractButton *today = picker.control(CalendarPicker::CtrlToday);
    today->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), today);
    QTest::keyClick(today, Qt::Key_Down);
    QCOMPARE(picker.highlightedDate(), ymd(2024, 5, 22));
    QCOMPARE(QApplication::focusWidget(), picker.control(CalendarPicker::CtrlExit));
}

void TestCalendarPicker::weekdayHeadings_data()
{
    QTest::addColumn<int>("firstWeekday");
    QTest::addColumn<int>("effective");
    QTest::addColumn<QStringList>("headings");
    const QStringList sundayFirst = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    QTest::newRow("1 Monday") << 1 << 1 << QStringList{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    QTest::newRow("7 Sunday") << 7 << 7 << sundayFirst;
    QTest::newRow("3 Wednesday") << 3 << 3 << QStringList{"Wed", "Thu", "Fri", "Sat", "Sun", "Mon", "Tue"};
    QTest::newRow("6 Saturday") << 6 << 6 << QStringList{"Sat", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri"};
    QTest::newRow("0 becomes 7") << 0 << 7 << sundayFirst;
    QTest::newRow("8 becomes 7") << 8 << 7 << sundayFirst;
}

void TestCalendarPicker::weekdayHeadings()
{
    QFETCH(int, firstWeekday);
    QFETCH(int, effective);
    QFETCH(QStringList, headings);
    CalendarPicker picker;
    picker.setFirstWeekday(firstWeekday);
    open(picker, ymd(2024, 5, 15));
    QCOMPARE(picker.firstWeekday(), effective);
    QStringList shown;
    for (int c = 1; c <= 7; ++c)
        shown << picker.weekdayHeading(c)->text();
    QCOMPARE(shown, headings);
    const int sunday = int(headings.indexOf("Sun")) + 1;
    const int saturday = int(headings.indexOf("Sat")) + 1;
    QCOMPARE(picker.weekdayHeading(sunday)->palette().color(QPalette::WindowText), picker.colorSunday());
    QCOMPARE(picker.weekdayHeading(saturday)->palette().color(QPalette::WindowText), picker.colorSaturday());
}

void TestCalendarPicker::monthGrid_data()
{
    QTest::addColumn<int>("firstWeekday");
    QTest::addColumn<Date>("date");
    QTest::addColumn<int>("firstColumn");
    QTest::addColumn<int>("days");

    QTest::newRow("June 2024, Sunday first") << 7 << ymd(2024, 6, 10) << 6 << 30;
    QTest::newRow("June 2024, Monday first") << 1 << ymd(2024, 6, 10) << 5 << 30;
    QTest::newRow("February 2023") << 7 << ymd(2023, 2, 10) << 3 << 28;
    QTest::newRow("February 2024, leap") << 7 << ymd(2024, 2, 10) << 4 << 29;
    QTest::newRow("September 2024 starts on a Sunday") << 7 << ymd(2024, 9, 10) << 0 << 30;
    QTest::newRow("September 2024, Monday first") << 1 << ymd(2024, 9, 10) << 6 << 30;
    QTest::newRow("August 2026 needs six rows") << 7 << ymd(2026, 8, 31) << 6 << 31;
    QTest::newRow("February 2015 fills four rows") << 7 << ymd(2015, 2, 1) << 0 << 28;
    QTest::newRow("December 2099") << 7 << ymd(2099, 12, 31) << 2 << 31;
    QTest::newRow("January 1801, Monday first") << 1 << ymd(1801, 1, 1) << 3 << 31;
    QTest::newRow("February 2023, Wednesday first") << 3 << ymd(2023, 2, 10) << 0 << 28;
}

void TestCalendarPicker::monthGrid()
{
    QFETCH(int, firstWeekday);
    QFETCH(Date, date);
    QFETCH(int, firstColumn);
    QFETCH(int, days);
    CalendarPicker picker;
    picker.setFirstWeekday(firstWeekday);
    open(picker, date);
    QCOMPARE(picker.firstColumn(), firstColumn);
    QCOMPARE(picker.daysInMonth(), days);
    for (int i = 1; i <= CalendarPicker::DayButtons; ++i) {
        const int day = i - firstColumn;
        QAbstractButton *button = picker.dayButton(i);
        const QByteArray where = QByteArray("button ") + QByteArray::number(i);
        if (day < 1 || day > days) {
            QVERIFY2(button->isHidden(), where);
        } else {
            QVERIFY2(!button->isHidden(), where);
            QCOMPARE(button->text(), QString::number(day));
        }
    }
}

void TestCalendarPicker::monthHeading_data()
{
    QTest::addColumn<Date>("date");
    QTest::addColumn<QString>("heading");
    QTest::newRow("January 1801") << ymd(1801, 1, 1) << "January 1801";
    QTest::newRow("September") << ymd(1993, 9, 30) << "September 1993";
    QTest::newRow("May") << ymd(2024, 5, 1) << "May 2024";
    QTest::newRow("December 2099") << ymd(2099, 12, 31) << "December 2099";
}

void TestCalendarPicker::monthHeading()
{
    QFETCH(Date, date);
    QFETCH(QString, heading);
    CalendarPicker picker;
    open(picker, date);
    QCOMPARE(picker.label(CalendarPicker::CtrlMonthYear)->text(), heading);
}

void TestCalendarPicker::onlyHighlightedDayIsBoldAndUnderlined()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 5, 15));
    auto marked = [&picker] {
        QStringList days;
        for (int i = 1; i <= CalendarPicker::DayButtons; ++i) {
            QAbstractButton *b = picker.dayButton(i);
            if (!b->isHidden() && (b->font().bold() || b->font().underline()))
                days << b->text();
        }
        return days;
    };
    QCOMPARE(marked(), QStringList{"15"});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right); // within the month
    QCOMPARE(marked(), QStringList{"16"});
    QTest::mouseClick(picker.control(CalendarPicker::CtrlMore15), Qt::LeftButton); // 31 May
    QCOMPARE(marked(), QStringList{"31"});
    QTest::mouseClick(picker.control(CalendarPicker::CtrlNextMonth), Qt::LeftButton); // 1 June
    QCOMPARE(marked(), QStringList{"1"});
    QVERIFY(isMarked(picker.dayButton(7))); // June 2024 starts on a Saturday
}

void TestCalendarPicker::dayColours()
{
    HolidayPicker picker;
    picker.setColorSunday(Qt::red);
    picker.setColorSaturday(Qt::blue);
    picker.setColorOther(Qt::darkGray);
    picker.setColorHoliday(Qt::darkGreen);
    open(picker, ymd(2021, 7, 10)); // 4 July 2021 is a Sunday, 3 July a Saturday
    auto colour = [&picker](int day) { return buttonOfDay(picker, day)->palette().color(QPalette::ButtonText); };
    QCOMPARE(colour(4), QColor(Qt::darkGreen)); // holiday wins over Sunday
    QCOMPARE(colour(11), QColor(Qt::red));
    QCOMPARE(colour(3), QColor(Qt::blue));
    QCOMPARE(colour(7), QColor(Qt::darkGray));
    QTest::mouseClick(picker.control(CalendarPicker::CtrlNextMonth), Qt::LeftButton);
    QCOMPARE(colour(4), QColor(Qt::darkGray)); // 4 August 2021, a Wednesday
    QCOMPARE(colour(1), QColor(Qt::red));
}

void TestCalendarPicker::selectOnClose_data()
{
    QTest::addColumn<bool>("selectOnClose");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<int>("response");
    QTest::addColumn<Date>("selected");
    QTest::newRow("on, clicked") << true << false << 1 << ymd(2024, 5, 22);
    QTest::newRow("on, Enter") << true << true << 1 << ymd(2024, 5, 22);
    QTest::newRow("off, clicked") << false << false << 2 << ymd(2024, 5, 15);
    QTest::newRow("off, Enter") << false << true << 2 << ymd(2024, 5, 15);
}

void TestCalendarPicker::selectOnClose()
{
    QFETCH(bool, selectOnClose);
    QFETCH(bool, byEnter);
    QFETCH(int, response);
    QFETCH(Date, selected);
    CalendarPicker picker;
    picker.setSelectOnClose(selectOnClose);
    open(picker, ymd(2024, 5, 15));
    QSignalSpy finished(&picker, &QDialog::finished);
    QTest::mouseClick(picker.control(CalendarPicker::CtrlMore7), Qt::LeftButton);
    QAbstractButton *exit = picker.control(CalendarPicker::CtrlExit);
    if (byEnter) {
        exit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(exit, Qt::Key_Return);
    } else {
        QTest::mouseClick(exit, Qt::LeftButton);
    }
    QCOMPARE(finished.count(), 1);
    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.response(), response);
    QCOMPARE(picker.selectedDate(), selected);
}

void TestCalendarPicker::clickedDayChoosesAndCloses()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 5, 15));
    QSignalSpy finished(&picker, &QDialog::finished);
    QTest::mouseClick(buttonOfDay(picker, 3), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.response(), int(CalendarPicker::Chosen));
    QCOMPARE(picker.selectedDate(), ymd(2024, 5, 3));

    // The same through the modal run.
    QTimer::singleShot(0, &picker, [&picker] {
        QTest::mouseClick(picker.control(CalendarPicker::CtrlNextYear), Qt::LeftButton);
        QTest::mouseClick(buttonOfDay(picker, 28), Qt::LeftButton);
    });
    QTimer::singleShot(5000, &picker, &QDialog::reject);
    QCOMPARE(picker.ask(ymd(2000, 2, 29)), ymd(2001, 2, 28));
    QCOMPARE(picker.selectedDate(), ymd(2001, 2, 28));
}

void TestCalendarPicker::dayTakenWithFocusHighlightsWithoutClosing()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 5, 15));
    QAbstractButton *nextYear = picker.control(CalendarPicker::CtrlNextYear);
    nextYear->setFocus(Qt::TabFocusReason);
    QTest::keyClick(nextYear, Qt::Key_Tab); // on to the first day of the grid
    QAbstractButton *first = buttonOfDay(picker, 1);
    QCOMPARE(QApplication::focusWidget(), first);
    QCOMPARE(picker.highlightedDate(), ymd(2024, 5, 1));
    QVERIFY(isMarked(first));
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(picker.highlightedDate(), ymd(2024, 5, 2));
    QVERIFY(picker.isVisible());
    QCOMPARE(picker.response(), int(CalendarPicker::Cancelled));
}

void TestCalendarPicker::arrowFromFocusedDayKeepsItsStep()
{
    // 1 February 2015 sits in the first button, which January 2015 hides;
    // the focus leaving it must not pick another day.
    CalendarPicker picker;
    open(picker, ymd(2015, 2, 10));
    QAbstractButton *first = picker.dayButton(1);
    QCOMPARE(first->text(), QStringLiteral("1"));
    first->setFocus(Qt::TabFocusReason);
    QCOMPARE(picker.highlightedDate(), ymd(2015, 2, 1));
    QTest::keyClick(first, Qt::Key_Up);
    QVERIFY(first->isHidden());
    QCOMPARE(picker.highlightedDate(), ymd(2015, 1, 25));
    QCOMPARE(QApplication::focusWidget(), picker.control(CalendarPicker::CtrlExit));
}

void TestCalendarPicker::enterMovesFocusElsewhere()
{
    CalendarPicker picker;
    open(picker, ymd(2024, 5, 15));
    QAbstractButton *today = picker.control(CalendarPicker::CtrlToday);
    today->setFocus(Qt::TabFocusReason);
    QTest::keyClick(today, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), picker.control(CalendarPicker::CtrlMore7));
    QCOMPARE(picker.highlightedDate(), ymd(2024, 5, 15)); // Enter did not press "Today"
    QVERIFY(picker.isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), picker.control(CalendarPicker::CtrlMore15));
    QCOMPARE(picker.highlightedDate(), ymd(2024, 5, 15));
}

void TestCalendarPicker::escapeCancels()
{
    CalendarPicker picker;
    picker.setSelectOnClose(true);
    open(picker, ymd(2024, 5, 15));
    QTest::mouseClick(picker.control(CalendarPicker::CtrlMore7), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.response(), int(CalendarPicker::Cancelled));
    QCOMPARE(picker.selectedDate(), ymd(2024, 5, 15));
}

void TestCalendarPicker::caption_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << QString() << "Select a Date";
    QTest::newRow("given") << "When did this happen?" << "When did this happen?";
}

void TestCalendarPicker::caption()
{
    QFETCH(QString, given);
    QFETCH(QString, shown);
    CalendarPicker picker;
    picker.start(ymd(2024, 5, 15), given);
    QCOMPARE(picker.windowTitle(), shown);
}

void TestCalendarPicker::clockFollowsTimer()
{
    CalendarPicker picker;
    QTime now(10, 15, 0);
    picker.setClock([&now] { return QDateTime(kToday, now); });
    open(picker, ymd(2024, 5, 15));
    QLabel *clock = picker.label(CalendarPicker::CtrlCurrTime);
    QCOMPARE(clock->text(), QStringLiteral("10:15:00 AM"));
    now = QTime(15, 42, 7);
    QTRY_COMPARE_WITH_TIMEOUT(clock->text(), QStringLiteral("3:42:07 PM"), 3000);
}

void TestCalendarPicker::position_data()
{
    QTest::addColumn<bool>("rightAlignment");
    QTest::newRow("left edge") << false;
    QTest::newRow("right edge") << true;
}

void TestCalendarPicker::position()
{
    QFETCH(bool, rightAlignment);
    CalendarPicker picker;
    picker.setRightAlignment(rightAlignment);
    picker.setPosition(600, 120);
    picker.start(ymd(2024, 5, 15));
    QCOMPARE(picker.y(), 120);
    if (rightAlignment)
        QCOMPARE(picker.x() + picker.width(), 600);
    else
        QCOMPARE(picker.x(), 600);
}

QTEST_MAIN(TestCalendarPicker)
#include "tst_calendarpicker.moc"
