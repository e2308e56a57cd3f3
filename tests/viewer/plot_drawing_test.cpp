#include <QTest>
class PlotDrawingTest : public QObject {
    Q_OBJECT
};
QTEST_MAIN(PlotDrawingTest)
#include "plot_drawing_test.moc"
