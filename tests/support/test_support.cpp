#include "test_support.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <stdexcept>

namespace pq::test {
namespace {
QString g_home;
}

void setTestHome(const QString& path) { g_home = path; }

QString makeTempDir()
{
    const QString path = g_home + QStringLiteral("/tmp-") + QUuid::createUuid().toString(QUuid::Id128);
    if (!QDir().mkpath(path))
        throw std::runtime_error("cannot make a temporary folder");
    return path;
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string writeTempFile(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    const QString path = makeTempDir() + QLatin1Char('/') + QString::fromStdString(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write a temporary file");
    return path.toStdString();
}

std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    return bytes;
}

std::string cliPath()
{
    const QByteArray path = qgetenv("PQ_CLI");
    if (path.isEmpty())
        throw std::runtime_error("PQ_CLI is not set");
    return path.toStdString();
}

ProcessResult runCli(const std::vector<std::string>& args)
{
    return runProgram(cliPath(), args);
}

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    QProcess process;
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    process.start(QString::fromStdString(program), list);
    process.closeWriteChannel();
    ProcessResult result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

bool ranUnprivileged()
{
    if (::geteuid() != 0)
        return false;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    // The child's own test main makes its temporary home in the shared temporary folder.
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                 QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromUtf8(test->test_suite_name()),
                                                             QString::fromUtf8(test->name()))});
    child.closeWriteChannel();
    if (!child.waitForFinished(300000))
        child.kill();
    child.waitForFinished();
    const std::string out = child.readAllStandardOutput().toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out << child.readAllStandardError().toStdString();
    EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
    return true;
}

SmallDisk::SmallDisk() : m_folder(makeTempDir())
{
    if (::geteuid() != 0) {
        m_reason = QStringLiteral("mounting a small file system needs the superuser");
        return;
    }
    if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", 0, "size=64k,mode=0777") != 0) {
        m_reason = QStringLiteral("tmpfs could not be mounted: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void SmallDisk::fill() const
{
    const int fd = ::open(QFile::encodeName(m_folder + QStringLiteral("/.filler")).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create the filler file");
    const std::vector<char> block(1024, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

std::string sha256Of(std::span<const std::uint8_t> bytes)
{
    const QByteArray view(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return QCryptographicHash::hash(view, QCryptographicHash::Sha256).toHex().toStdString();
}

} // namespace pq::test
