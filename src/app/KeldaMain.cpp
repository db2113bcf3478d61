// SPDX-License-Identifier: MIT
// KELDA: creates the main window with the real paths and dialogs and runs the event loop.
// `kelda FILE` reads FILE on the MacBinary page as a drop would; --help and --version answer without a
// display.
#include "app/AppIcon.h"
#include "app/AppPaths.h"
#include "app/Language.h"
#include "app/Main.h"
#include "app/QtDialogs.h"
#include "util/TFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

void SetApplicationData() {
    QCoreApplication::setApplicationName(QStringLiteral("kelda"));
    QCoreApplication::setOrganizationName(QStringLiteral("KELDA"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELDA_VERSION));
}

void SetUpParser(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("KELDA: MacBinary I, II and III files and CRCs."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A file to read on the MacBinary page, as if dropped there."),
                                 QStringLiteral("[FILE]"));
}

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            break;
        }
        for (const char* option : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

// The command line's file from the argument's own bytes (a name need not be valid in the locale's
// encoding), made absolute like the names of the open dialog.
std::filesystem::path FileArgument(const QString& positional, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == positional) {
            std::error_code ec;
            const std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(argv[i]), ec);
            return ec ? std::filesystem::path(argv[i]) : path.lexically_normal();
        }
    }
    return std::filesystem::path(QFile::encodeName(positional).toStdString());
}

// Whether the window system Qt would open has a display to open: the platform named by -platform
// or QT_QPA_PLATFORM (the X one when none is) needs DISPLAY, the Wayland one WAYLAND_DISPLAY; the
// others (offscreen, minimal, vnc, the framebuffers) need neither. Without a display Qt aborts.
bool HasDisplay(int argc, char** argv) {
    std::string platform;
    if (const char* env = std::getenv("QT_QPA_PLATFORM")) {
        platform = env;
    }
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            platform = argv[i + 1];
        }
    }
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (platform.empty()) {
        return set("DISPLAY") || set("WAYLAND_DISPLAY");
    }
    if (platform.starts_with("xcb")) {
        return set("DISPLAY");
    }
    if (platform.starts_with("wayland")) {
        return set("WAYLAND_DISPLAY");
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    kelda::InstallTemporaryCleanupOnSignals();
    if (AsksForHelpOrVersion(argc, argv)) {
        // Answered before any window system is opened, so they work on a terminal without a display.
        QCoreApplication probe(argc, argv);
        SetApplicationData();
        QCommandLineParser parser;
        SetUpParser(parser);
        parser.process(probe); // prints and exits
        return 0;
    }
    if (!HasDisplay(argc, argv)) {
        // The language setting is not read yet: both languages.
        std::fprintf(stderr, "%s\n%s\n", kelda::MessageText(kelda::TMsg::NoDisplay, false),
                     kelda::MessageText(kelda::TMsg::NoDisplay, true));
        return 1;
    }
    QApplication app(argc, argv); // takes Qt's own options (-platform, -style …) out of argv
    SetApplicationData();
    QGuiApplication::setDesktopFileName(QStringLiteral("kelda"));
    QApplication::setWindowIcon(kelda::AppIcon());
    QCommandLineParser parser;
    SetUpParser(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    kelda::QtDialogs dialogs;
    kelda::TFormMain form(kelda::AppPaths::ForExecutable(
                              QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()),
                          dialogs);
    form.show();
    if (!files.isEmpty()) {
        const std::filesystem::path file = FileArgument(files.first(), argc, argv);
        // Once the window is on the screen, so that messages about the file appear over it.
        QTimer::singleShot(0, &form, [&form, file] { form.OpenFromCommandLine(file); });
    }
    return app.exec();
}
