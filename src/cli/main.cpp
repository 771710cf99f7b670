// pixelquarry-cli: the program's headless front end. Every command runs the same core code as
// the desktop program.
#include "cli/commands.h"

#include <QGuiApplication>

#include <iostream>
#include <vector>

namespace {
// The offscreen platform warns about a missing runtime folder, which means nothing to a
// command-line user; every other Qt message passes through.
QtMessageHandler g_defaultHandler = nullptr;

void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    if (g_defaultHandler)
        g_defaultHandler(type, context, message);
    else
        std::cerr << qPrintable(qFormatLogMessage(type, context, message)) << '\n';
}
} // namespace

int main(int argc, char** argv)
{
    g_defaultHandler = qInstallMessageHandler(quietMessageHandler);
    // The command line never shows a window; drawing text into images still needs a GUI
    // application, which the offscreen platform provides without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qtApp(argc, argv);
    QGuiApplication::setOrganizationDomain(QStringLiteral("pixelquarry.org"));
    QGuiApplication::setApplicationName(QStringLiteral("Pixelquarry"));

    CLI::App app{"Pixelquarry: find icons in raw disk images", "pixelquarry-cli"};
    app.require_subcommand(1);
    using namespace pq::cli;
    // The subcommands, in the order the help lists them.
    const std::vector<Action> actions{addInfoCommand(app), addRenderCommand(app), addExportCommand(app),
                                      addScanCommand(app), addBookmarksCommand(app), addPartsCommand(app),
                                      addFilesCommand(app), addCatalogCommand(app)};

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version requests exit 0; every other parse error is a usage error.
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    // The subcommands were added in the list's order, so the parsed one has the same index.
    const auto subcommands = app.get_subcommands({});
    for (std::size_t i = 0; i < subcommands.size() && i < actions.size(); ++i)
        if (subcommands[i]->parsed())
            return actions[i]();
    return 2;
}
