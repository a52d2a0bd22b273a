// vemo-gui: the desktop program. Reads the command line, probes what this
// machine's FFmpeg can write, and runs the main dialog until the user leaves.

#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_dialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vemo-gui"));
    QApplication::setDesktopFileName(QStringLiteral("vemo-gui"));

    // Qt has taken its own options; the rest are the program's.
    std::vector<std::string> parameters;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        parameters.push_back(arguments[i].toStdString());
    const CommandLine line = parse_command_line(parameters);

    CMainDialog dialog(
        machine_options(line.hasFile ? line.scenarioPath : std::string(), line.debug));
    dialog.exec();
    return 0;
}
