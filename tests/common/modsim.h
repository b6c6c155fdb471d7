#pragma once

#include <QProcess>
#include <QStringList>

namespace test {

// The module simulator (path from $KELVRA_MODSIM) on a fresh pseudo-terminal, for the life
// of this object.
class Modsim {
public:
    Modsim() = default;
    ~Modsim() { stop(); }
    Modsim(const Modsim&) = delete;
    Modsim& operator=(const Modsim&) = delete;

    // Starts it with the given options; false when it did not come up.
    bool start(const QStringList& args = {});
    void stop();
    QString portPath() const { return m_path; }
    QProcess& process() { return m_process; }
    static QString program() { return qEnvironmentVariable("KELVRA_MODSIM"); }

private:
    QProcess m_process;
    QString m_path;
};

} // namespace test
