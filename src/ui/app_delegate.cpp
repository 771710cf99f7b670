#include "ui/app_delegate.h"

#include "export/export_options.h"
#include "ui/main_view_controller.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace pq {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

void AppDelegate::applicationDidFinishLaunching()
{
    QApplication::setQuitOnLastWindowClosed(true);
    QSettings settings;
    registerExportDefaults(settings);
}

void AppDelegate::openFiles(MainWindow* window, const QStringList& paths)
{
    if (!window || !window->mainViewController() || paths.isEmpty())
        return;
    QStringList files;
    for (const QString& path : paths)
        if (!path.isEmpty())
            files << QFileInfo(path).absoluteFilePath();
    window->mainViewController()->openFiles(files, [](const std::expected<void, IntakeError>& result) {
        if (!result) {
            std::fprintf(stdout, "%s\n", result.error().message().toLocal8Bit().constData());
            std::fflush(stdout);
        }
    });
}

} // namespace pq
