// qlwiz: the Quillet Configuration Wizard.
#include "wizard/App.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return wiz::RunQLWiz();
}
