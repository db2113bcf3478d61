// KELDA: creates the main window with the real paths and dialogs and runs the event loop.
#include "app/Main.h"
#include "app/AppPaths.h"
#include "app/Language.h"
#include "app/QtDialogs.h"

#include <QApplication>
#include <QFile>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromUtf8(kelda::kAppTitle.data(), static_cast<qsizetype>(kelda::kAppTitle.size())));
    kelda::QtDialogs dialogs;
    kelda::TFormMain form(kelda::AppPaths::ForExecutable(
                              QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()),
                          dialogs);
    form.show();
    return app.exec();
}
