#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pq::test {

// Sets the temporary folder that XDG_DATA_HOME and XDG_CONFIG_HOME point into for this run.
void setTestHome(const QString& path);

// A fresh empty folder inside the test home.
QString makeTempDir();

// A file's whole content; empty when it cannot be read.
QByteArray readWholeFile(const QString& path);

// Writes bytes to a new file in a fresh folder and returns its path.
std::string writeTempFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "data.bin");

// Deterministic pseudo-random bytes.
std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed);

// The SHA-256 digest of `bytes` in lowercase hexadecimal, by Qt's own implementation.
std::string sha256Of(std::span<const std::uint8_t> bytes);

// The path of the pixelquarry-cli program under test (from the PQ_CLI environment variable).
std::string cliPath();

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs a program with the given arguments, with the test environment.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args);
// Runs pixelquarry-cli with the given arguments, with the test environment.
ProcessResult runCli(const std::vector<std::string>& args);

// Permissions do not bind the superuser. Run as the superuser, this runs the current test
// again in a child process of this program as the unprivileged user 65534 (setpriv), expects
// it to pass and returns true: the caller then returns instead of running the test's body.
// Already unprivileged, it returns false and the body runs here.
bool ranUnprivileged();

// A small file system (tmpfs of 64 KiB) mounted on a fresh folder for the lifetime of the
// object; mounting needs the superuser, so `reason` says why there is none otherwise.
class SmallDisk {
public:
    SmallDisk();
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const QString& reason() const { return m_reason; }
    const QString& folder() const { return m_folder; }
    // Fills the rest of the disk with a file named ".filler".
    void fill() const;

private:
    QString m_folder;
    QString m_reason;
    bool m_mounted = false;
};

} // namespace pq::test
