#include "aboutdialog.h"
#include "childprocess.h"
#include "mainwindow.h"
#include "settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepRunningAtFileSizeLimit();
    QApplication app(argc, argv);
    VestraSettings::registerFontSubstitutes();
    AboutDialog splash(true, nullptr);
    splash.exec();

    int result = 0;
    {
        MainWindow window;
        window.show();
        splash.close();
        result = app.exec();
    }
    return result;
}
