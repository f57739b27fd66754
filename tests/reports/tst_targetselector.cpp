#include <QTest>
class Placeholder : public QObject
{
    Q_OBJECT
};
QTEST_APPLESS_MAIN(Placeholder)
#include "tst_targetselector.moc"
