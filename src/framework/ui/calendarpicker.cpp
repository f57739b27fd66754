#include "calendarpicker.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tavimo {

namespace {

// Kept in fixed ten-character cells, as the month heading clips them.
constexpr char kMonthNames[12][11] = {
    "January   ", "February  ", "March     ", "April     ", "May       ", "June      ",
    "July      ", "August    ", "September ", "October   ", "November  ", "December  ",
};

constexpr char kWeekdayNames[] = "MonTueWedThuFriSatSun";

CalendarPicker::Clock &defaultClock()
{
    static CalendarPicker::Clock clock;
    return clock;
}

int daysIn(int year, int month)
{
    const Date nextFirst = month == 12 ? Date::fromYmd(year + 1, 1, 1) : Date::fromYmd(year, month + 1, 1);
    return nextFirst.addDays(-1).day();
}

// The same day in another month; the 1st when that month is too short.
Date sameDayIn(int year, int month, int day)
{
    while (month < 1) {
        month += 12;
        --year;
    }
    while (month > 12) {
        month -= 12;
        ++year;
    }
    return Date::fromYmd(year, month, day <= daysIn(year, month) ? day : 1);
}

QString longDate(Date date)
{
    return QLocale::c().toString(date.toQDate(), QStringLiteral("dddd, MMMM d, yyyy"));
}

} // namespace

const QString CalendarPicker::DefaultCaption = QStringLiteral("Select a Date");

CalendarPicker::CalendarPicker(QWidget *parent)
    : QDialog(parent)
{
    m_clock = defaultClock();
    m_colorSunday = QColor(0xb0, 0x28, 0x28);
    m_colorSaturday = QColor(0x1f, 0x5a, 0xa0);
    m_colorOther = palette().color(QPalette::ButtonText);
    m_colorHoliday = QColor(0xb3, 0x5c, 0x00);
    setWindowTitle(DefaultCaption);
    buildWindow();
    prepare(Date(), QString());
}

CalendarPicker::~CalendarPicker() = default;

Date CalendarPicker::earliestDate()
{
    return Date::fromYmd(1801, 1, 1);
}

Date CalendarPicker::latestDate()
{
    return Date::fromYmd(2099, 12, 31);
}

QString CalendarPicker::monthName(int month)
{
    if (month < 1 || month > 12)
        return QString();
    return QString::fromLatin1(kMonthNames[month - 1], 10).trimmed();
}

void CalendarPicker::buildWindow()
{
    auto prepareButton = [this](QAbstractButton *button, const QString &tip) {
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->installEventFilter(this);
        return button;
    };
    // Tool buttons keep the step row about as wide as the grid; push buttons
    // would insist on a wide minimum each.
    auto makeButton = [this, prepareButton](const QString &text, const QString &tip) {
        auto *button = new QToolButton(this);
        button->setText(text);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        return prepareButton(button, tip);
    };

    auto *outer = new QVBoxLayout(this);

    auto *title = new QFrame(this);
    title->setObjectName(QStringLiteral("ctrlTitleBg"));
    title->setFrameShape(QFrame::StyledPanel);
    auto *titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(4, 4, 4, 4);
    m_controls[CtrlPrevYear] = makeButton(QStringLiteral("\u00ab"), tr("Previous year"));
    m_controls[CtrlPrevMonth] = makeButton(QStringLiteral("\u2039"), tr("Previous month"));
    m_controls[CtrlNextMonth] = makeButton(QStringLiteral("\u203a"), tr("Next month"));
    m_controls[CtrlNextYear] = makeButton(QStringLiteral("\u00bb"), tr("Next year"));
    for (Control c : {CtrlPrevYear, CtrlPrevMonth, CtrlNextMonth, CtrlNextYear}) {
        // Narrow arrows: as wide as they are tall.
        const int side = m_controls[c]->sizeHint().height();
        m_controls[c]->setFixedWidth(side);
    }
    auto *monthYear = new QLabel(title);
    QFont headingFont = monthYear->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.2);
    monthYear->setFont(headingFont);
    monthYear->setAlignment(Qt::AlignCenter);
    // Room for the longest heading, so the arrows stay put from month to month.
    monthYear->setMinimumWidth(QFontMetrics(headingFont).horizontalAdvance(QStringLiteral("September 0000")) + 16);
    m_labels[CtrlMonthYear] = monthYear;
    titleRow->addWidget(m_controls[CtrlPrevYear]);
    titleRow->addWidget(m_controls[CtrlPrevMonth]);
    titleRow->addWidget(monthYear, 1);
    titleRow->addWidget(m_controls[CtrlNextMonth]);
    titleRow->addWidget(m_controls[CtrlNextYear]);
    outer->addWidget(title);

    auto *body = new QFrame(this);
    body->setObjectName(QStringLiteral("ctrlBodyBg"));
    body->setFrameShape(QFrame::StyledPanel);
    body->setBackgroundRole(QPalette::Base);
    body->setAutoFillBackground(true);
    auto *grid = new QGridLayout(body);
    grid->setSpacing(2);
    for (int c = 0; c < 7; ++c) {
        auto *heading = new QLabel(body);
        heading->setAlignment(Qt::AlignCenter);
        heading->setObjectName(QStringLiteral("ctrlWeekday%1").arg(c + 1));
        m_headings[c] = heading;
        grid->addWidget(heading, 0, c);
    }
    const int dayWidth = fontMetrics().horizontalAdvance(QStringLiteral("00")) + 20;
    for (int i = 0; i < DayButtons; ++i) {
        auto *day = new QToolButton(body);
        day->setObjectName(QStringLiteral("ctrlDay%1").arg(i + 1));
        day->setAutoRaise(true);
        day->setFocusPolicy(Qt::TabFocus);
        day->setMinimumSize(dayWidth, dayWidth * 3 / 4);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        policy.setRetainSizeWhenHidden(true); // keeps six rows whatever the month
        day->setSizePolicy(policy);
        day->installEventFilter(this);
        connect(day, &QToolButton::clicked, this, [this, i] { dayClicked(i); });
        m_days[i] = day;
        grid->addWidget(day, 1 + i / 7, i % 7);
    }
    outer->addWidget(body, 1);

    auto *steps = new QHBoxLayout;
    m_controls[CtrlLess15] = makeButton(QStringLiteral("\u221215"), tr("Fifteen days back"));
    m_controls[CtrlLess7] = makeButton(QStringLiteral("\u22127"), tr("Seven days back"));
    m_controls[CtrlToday] = makeButton(tr("&Today"), tr("Today"));
    m_controls[CtrlMore7] = makeButton(QStringLiteral("+7"), tr("Seven days forward"));
    m_controls[CtrlMore15] = makeButton(QStringLiteral("+15"), tr("Fifteen days forward"));
    auto *exit = new QPushButton(tr("&Close"), this);
    exit->setDefault(true);
    prepareButton(exit, tr("Close the calendar"));
    m_controls[CtrlExit] = exit;
    for (Control c : {CtrlLess15, CtrlLess7, CtrlToday, CtrlMore7, CtrlMore15}) {
        m_controls[c]->setMinimumSize(dayWidth, exit->sizeHint().height());
        steps->addWidget(m_controls[c]);
    }
    steps->addSpacing(12);
    steps->addWidget(exit);
    outer->addLayout(steps);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    outer->addWidget(line);
    auto *status = new QHBoxLayout;
    m_labels[CtrlTheDate] = new QLabel(this);
    m_labels[CtrlCurrTime] = new QLabel(this);
    m_labels[CtrlCurrTime]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->addWidget(m_labels[CtrlTheDate], 1);
    status->addWidget(m_labels[CtrlCurrTime]);
    outer->addLayout(status);

    static const char *const controlNames[] = {"ctrlExit",      "ctrlToday",    "ctrlPrevMonth", "ctrlNextMonth",
                                               "ctrlPrevYear",  "ctrlNextYear", "ctrlMore7",     "ctrlLess7",
                                               "ctrlMore15",    "ctrlLess15"};
    for (std::size_t c = 0; c < m_controls.size(); ++c)
        m_controls[c]->setObjectName(QLatin1String(controlNames[c]));
    m_labels[CtrlCurrTime]->setObjectName(QStringLiteral("ctrlCurrTime"));
    m_labels[CtrlMonthYear]->setObjectName(QStringLiteral("ctrlMonthYear"));
    m_labels[CtrlTheDate]->setObjectName(QStringLiteral("ctrlTheDate"));

    const std::pair<Control, Step> stepButtons[] = {
        {CtrlToday, Step::Today},         {CtrlPrevMonth, Step::PrevMonth}, {CtrlNextMonth, Step::NextMonth},
        {CtrlPrevYear, Step::PrevYear},   {CtrlNextYear, Step::NextYear},   {CtrlMore7, Step::More7},
        {CtrlLess7, Step::Less7},         {CtrlMore15, Step::More15},       {CtrlLess15, Step::Less15},
    };
    for (const auto &[control, stepTaken] : stepButtons) {
        const Step s = stepTaken;
        connect(m_controls[control], &QAbstractButton::clicked, this, [this, s] { step(s); });
    }
    connect(exit, &QAbstractButton::clicked, this, &CalendarPicker::exitClicked);

    installEventFilter(this);
}

void CalendarPicker::setFirstWeekday(int weekday)
{
    m_firstWeekday = (weekday < 1 || weekday > 7) ? DefaultFirstWeekday : weekday;
    if (m_shownMonth)
        showMonth();
}

void CalendarPicker::setColorSunday(const QColor &color)
{
    m_colorSunday = color;
    showMonth();
}

void CalendarPicker::setColorSaturday(const QColor &color)
{
    m_colorSaturday = color;
    showMonth();
}

void CalendarPicker::setColorOther(const QColor &color)
{
    m_colorOther = color;
    showMonth();
}

void CalendarPicker::setColorHoliday(const QColor &color)
{
    m_colorHoliday = color;
    showMonth();
}

void CalendarPicker::setClock(Clock clock)
{
    m_clock = std::move(clock);
    refreshClock();
}

void CalendarPicker::setDefaultClock(Clock clock)
{
    defaultClock() = std::move(clock);
}

Date CalendarPicker::today() const
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    return Date::fromQDate(now.date());
}

void CalendarPicker::setPosition(int x, int y)
{
    m_hasPosition = true;
    m_x = x;
    m_y = y;
}

void CalendarPicker::clearPosition()
{
    m_hasPosition = false;
    setAttribute(Qt::WA_Moved, false); // centred over the form again
}

Date CalendarPicker::ask(Date date, const QString &caption)
{
    prepare(date, caption);
    exec();
    return m_selectedDate;
}

void CalendarPicker::start(Date date, const QString &caption)
{
    prepare(date, caption);
    open();
}

void CalendarPicker::prepare(Date date, const QString &caption)
{
    if (date.isNull() || date < earliestDate() || date > latestDate())
        date = today();
    m_startDate = date;
    m_response = Cancelled;
    setWindowTitle(caption.isEmpty() ? DefaultCaption : caption);
    m_shownMonth = 0; // forces a full redraw
    setHighlightedDate(date);
    refreshClock();
    applyPosition();
}

void CalendarPicker::applyPosition()
{
    if (!m_hasPosition)
        return;
    adjustSize();
    move(m_rightAlignment ? m_x - width() : m_x, m_y);
}

bool CalendarPicker::isHoliday(Date, int, int, int) const
{
    return false;
}

void CalendarPicker::step(Step s)
{
    const Date d = m_highlighted;
    const int year = d.year();
    const int month = d.month();
    const int day = d.day();
    switch (s) {
    case Step::DayBack: setHighlightedDate(d.addDays(-1)); break;
    case Step::DayForward: setHighlightedDate(d.addDays(1)); break;
    case Step::WeekBack:
    case Step::Less7: setHighlightedDate(d.addDays(-7)); break;
    case Step::WeekForward:
    case Step::More7: setHighlightedDate(d.addDays(7)); break;
    case Step::Less15: setHighlightedDate(d.addDays(-15)); break;
    case Step::More15: setHighlightedDate(d.addDays(15)); break;
    case Step::PrevMonth: setHighlightedDate(sameDayIn(year, month - 1, day)); break;
    case Step::NextMonth: setHighlightedDate(sameDayIn(year, month + 1, day)); break;
    case Step::PrevYear: setHighlightedDate(sameDayIn(year - 1, month, day)); break;
    case Step::NextYear: setHighlightedDate(sameDayIn(year + 1, month, day)); break;
    case Step::Today: setHighlightedDate(today()); break;
    }
}

void CalendarPicker::setHighlightedDate(Date date)
{
    if (date.isNull())
        return;
    // Steps stop at the ends of the range rather than run into dates the
    // program cannot store.
    date = std::clamp(date, earliestDate(), latestDate());
    m_highlighted = date;
    // Hiding a focused day button passes the focus on as Tab would; that
    // must not count as the user taking a day.
    const bool wasRedrawing = m_redrawing;
    m_redrawing = true;
    const QDate q = date.toQDate();
    if (q.month() != m_shownMonth || q.year() != m_shownYear) {
        m_shownMonth = q.month();
        m_shownYear = q.year();
        showMonth();
    } else {
        const int previous = m_highlightIndex;
        m_highlightIndex = m_firstColumn + q.day() - 1;
        if (previous >= 0 && previous != m_highlightIndex)
            styleDayButton(previous);
        styleDayButton(m_highlightIndex);
    }
    m_redrawing = wasRedrawing;
    updateDateLabel();
}

void CalendarPicker::showMonth()
{
    if (!m_shownMonth)
        return;
    const Date first = Date::fromYmd(m_shownYear, m_shownMonth, 1);
    const int offset = first.dayNumber() - Date::fromYmd(1993, 1, 3).dayNumber() - m_firstWeekday + 7;
    m_firstColumn = ((offset % 7) + 7) % 7;
    m_daysInMonth = daysIn(m_shownYear, m_shownMonth);
    m_highlightIndex = m_firstColumn + m_highlighted.day() - 1;

    for (int c = 0; c < 7; ++c) {
        const int name = (m_firstWeekday - 1 + c) % 7;
        m_headings[c]->setText(QString::fromLatin1(kWeekdayNames + name * 3, 3));
        QPalette pal = m_headings[c]->palette();
        pal.setColor(QPalette::WindowText, columnColor(c));
        m_headings[c]->setPalette(pal);
    }
    const bool wasRedrawing = m_redrawing;
    m_redrawing = true;
    for (int i = 0; i < DayButtons; ++i)
        styleDayButton(i);
    m_redrawing = wasRedrawing;

    m_labels[CtrlMonthYear]->setText(monthName(m_shownMonth) + QLatin1Char(' ')
                                     + QStringLiteral("%1").arg(m_shownYear, 4, 10, QLatin1Char('0')));
}

QColor CalendarPicker::columnColor(int column) const
{
    const int weekday = (m_firstWeekday + column) % 7; // 0 = Sunday
    if (weekday == 0)
        return m_colorSunday;
    if (weekday == 6)
        return m_colorSaturday;
    return m_colorOther;
}

void CalendarPicker::styleDayButton(int index)
{
    if (index < 0 || index >= DayButtons)
        return;
    QToolButton *button = m_days[index];
    const int day = index + 1 - m_firstColumn;
    if (day < 1 || day > m_daysInMonth) {
        button->hide();
        return;
    }
    const Date date = Date::fromYmd(m_shownYear, m_shownMonth, day);
    QColor color = columnColor(index % 7);
    if (isHoliday(date, m_shownMonth, m_shownYear, day))
        color = m_colorHoliday;
    QPalette pal = button->palette();
    pal.setColor(QPalette::ButtonText, color);
    pal.setColor(QPalette::WindowText, color);
    button->setPalette(pal);
    QFont f = font();
    const bool highlighted = index == m_highlightIndex;
    f.setBold(highlighted);
    f.setUnderline(highlighted);
    button->setFont(f);
    button->setText(QString::number(day));
    button->setAccessibleName(longDate(date));
    button->show();
}

void CalendarPicker::updateDateLabel()
{
    m_labels[CtrlTheDate]->setText(longDate(m_highlighted));
}

void CalendarPicker::refreshClock()
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    m_labels[CtrlCurrTime]->setText(QLocale::c().toString(now.time(), QStringLiteral("h:mm:ss AP")));
}

void CalendarPicker::dayClicked(int index)
{
    const int day = index + 1 - m_firstColumn;
    if (day < 1 || day > m_daysInMonth)
        return;
    setHighlightedDate(Date::fromYmd(m_shownYear, m_shownMonth, day));
    m_response = Chosen;
    done(Chosen);
}

void CalendarPicker::exitClicked()
{
    if (m_selectOnClose)
        m_response = Chosen;
    done(m_response);
}

void CalendarPicker::done(int result)
{
    Q_UNUSED(result);
    // Only the day buttons and the close button choose; every other way
    // out keeps the answer "cancelled".
    m_selectedDate = m_response == Chosen ? m_highlighted : m_startDate;
    QDialog::done(m_response == Chosen ? QDialog::Accepted : QDialog::Rejected);
}

bool CalendarPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return QDialog::eventFilter(watched, event);
        Step s = Step::Today;
        switch (key->key()) {
        case Qt::Key_Left: s = Step::DayBack; break;
        case Qt::Key_Right: s = Step::DayForward; break;
        case Qt::Key_Up: s = Step::WeekBack; break;
        case Qt::Key_Down: s = Step::WeekForward; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (watched == m_controls[CtrlExit])
                exitClicked();
            else
                focusNextPrevChild(true);
            return true;
        default: return QDialog::eventFilter(watched, event);
        }
        step(s);
        m_controls[CtrlExit]->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool byKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                                || reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
        if (byKeyboard && !m_redrawing) {
            for (int i = 0; i < DayButtons; ++i) {
                if (m_days[i] == watched) {
                    const int day = i + 1 - m_firstColumn;
                    if (day >= 1 && day <= m_daysInMonth)
                        setHighlightedDate(Date::fromYmd(m_shownYear, m_shownMonth, day));
                    break;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CalendarPicker::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refreshClock();
    if (!m_clockTimer)
        m_clockTimer = startTimer(1000);
    m_controls[CtrlExit]->setFocus(Qt::OtherFocusReason);
}

void CalendarPicker::hideEvent(QHideEvent *event)
{
    if (m_clockTimer) {
        killTimer(m_clockTimer);
        m_clockTimer = 0;
    }
    QDialog::hideEvent(event);
}

void CalendarPicker::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_clockTimer)
        refreshClock();
    else
        QDialog::timerEvent(event);
}

QAbstractButton *CalendarPicker::control(Control c) const
{
    return m_controls[c];
}

QAbstractButton *CalendarPicker::dayButton(int number) const
{
    return number >= 1 && number <= DayButtons ? m_days[number - 1] : nullptr;
}

QLabel *CalendarPicker::label(Label l) const
{
    return m_labels[l];
}

QLabel *CalendarPicker::weekdayHeading(int column) const
{
    return column >= 1 && column <= 7 ? m_headings[column - 1] : nullptr;
}

} // namespace tavimo
