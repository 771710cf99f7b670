// Shared main of every test program: keeps tests away from the real user folders and runs
// Qt on the offscreen platform.
#include "test_support.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/pq-test-XXXXXX"));
    if (!home.isValid())
        return 3;
    const QByteArray data = (home.path() + QStringLiteral("/data")).toLocal8Bit();
    const QByteArray config = (home.path() + QStringLiteral("/config")).toLocal8Bit();
    const QByteArray cache = (home.path() + QStringLiteral("/cache")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(data));
    QDir().mkpath(QString::fromLocal8Bit(config));
    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("XDG_CACHE_HOME", cache); // decoded parts of wrapped files
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    pq::test::setTestHome(home.path());

    QApplication app(argc, argv);
    QApplication::setOrganizationDomain(QStringLiteral("pixelquarry.org"));
    QApplication::setApplicationName(QStringLiteral("Pixelquarry"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
