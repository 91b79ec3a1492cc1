// The baseline of the start benchmark: a bare Qt program that shows one empty window
// and ends at its first paint.
#include <QApplication>
#include <QTimer>
#include <QWidget>

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Window w;
    w.resize(643, 449);
    w.show();
    return app.exec();
}
