// kavrel: the window program.
#include "ui/CKavrelApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kavrel::CKavrelApp kavrel;
    kavrel.InitInstance();
    return kavrel.ExitInstance();
}
