#include "qtmessagepresenter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace tavimo {

namespace {

const std::pair<int, QMessageBox::StandardButton> kButtons[] = {
    {Button::Ok, QMessageBox::Ok},         {Button::Yes, QMessageBox::Yes},
    {Button::No, QMessageBox::No},         {Button::Abort, QMessageBox::Abort},
    {Button::Retry, QMessageBox::Retry},   {Button::Ignore, QMessageBox::Ignore},
    {Button::Cancel, QMessageBox::Cancel}, {Button::Help, QMessageBox::Help},
};

QMessageBox::StandardButtons toQt(int buttons)
{
    QMessageBox::StandardButtons out;
    for (const auto &[ours, qt] : kButtons)
        if (buttons & ours)
            out |= qt;
    return out;
}

int fromQt(int qt)
{
    for (const auto &[ours, q] : kButtons)
        if (q == qt)
            return ours;
    return 0;
}

} // namespace

int QtMessagePresenter::show(const MessageBoxRequest &request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    box.setIcon(request.icon == MessageIcon::Exclamation   ? QMessageBox::Warning
                : request.icon == MessageIcon::Information ? QMessageBox::Information
                                                           : QMessageBox::NoIcon);
    box.setStandardButtons(toQt(request.buttons));
    box.setDefaultButton(toQt(request.defaultButton) ? QMessageBox::StandardButton(int(toQt(request.defaultButton)))
                                                     : QMessageBox::NoButton);
    // Escape or the close box answers No or Cancel where there is one.
    if (request.buttons & Button::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (request.buttons & Button::No)
        box.setEscapeButton(QMessageBox::No);
    const int result = box.exec();
    return fromQt(result);
}

int QtMessagePresenter::showHistory(const QString &caption, const QStringList &messages, int buttons)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&dialog);
    auto *list = new QListWidget(&dialog);
    list->addItems(messages);
    layout->addWidget(list);
    auto *box = new QDialogButtonBox(&dialog);
    int answer = 0;
    for (const auto &[ours, qt] : kButtons) {
        if (!(buttons & ours))
            continue;
        QPushButton *b = box->addButton(QDialogButtonBox::StandardButton(int(qt)));
        QObject::connect(b, &QPushButton::clicked, &dialog, [&answer, &dialog, value = ours] {
            answer = value;
            dialog.accept();
        });
    }
    layout->addWidget(box);
    dialog.resize(520, 320);
    dialog.exec();
    return answer;
}

} // namespace tavimo
