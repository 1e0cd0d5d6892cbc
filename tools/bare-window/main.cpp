// kavrel-bare-window: the smallest Qt Widgets window program, the yardstick of
// tools/dev bench-start (start time, memory and idle CPU beside kavrel's).
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("Kavrel bare window"));
    window.resize(960, 640);
    window.show();
    return application.exec();
}
