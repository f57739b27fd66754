#include "mainframe.h"

#include <QMdiArea>

namespace tavimo {

MainFrame::MainFrame(QWidget *parent)
    : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Tavimo\u2122"));
    setCentralWidget(m_mdi);
    resize(1024, 720);
}

} // namespace tavimo
