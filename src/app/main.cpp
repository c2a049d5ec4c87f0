#include "app/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Bitreel takes no command line: Qt sees the program's name only.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    bitreel::Form1 window;
    window.show();
    return app.exec();
}
