#include <QTest>
class PlotWindowTest : public QObject {
    Q_OBJECT
};
QTEST_MAIN(PlotWindowTest)
#include "plot_window_test.moc"
