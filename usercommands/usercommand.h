#pragma once

#include <QJsonObject>
#include <QLatin1String>
#include <QString>

#include <memory>

class QTimer;

// Names shared by the JSON files of the user data directory.
namespace key {
inline constexpr QLatin1String value{"value"};
inline constexpr QLatin1String period{"period"};
inline constexpr QLatin1String auto_{"auto"};
inline constexpr QLatin1String filename{"user_commands.json"};
} // namespace key

// One line the user keeps in the user commands table. Owned by UserCommands::_self;
// its setters mark that list as changed so it is written at the end of the run.
class UserCommand {
public:
    static constexpr quint32 minPeriod = 100;
    static constexpr quint32 defaultPeriod = 1000;

    UserCommand();
    virtual ~UserCommand();

    UserCommand(const UserCommand&) = delete;
    UserCommand& operator=(const UserCommand&) = delete;

    const QString& value() const { return m_value; }
    quint32 period() const { return m_period; }
    bool isAuto() const { return m_auto; }

    void setValue(const QString& value);
    void setPeriod(quint32 period);
    void setAuto(bool on);

    QJsonObject toJson() const;
    // The caller owns the result. Repetition is never switched on from a file.
    static UserCommand* fromJson(const QJsonObject& object);

private:
    friend class UserCommands;

    std::unique_ptr<QTimer> m_timer;
    QString m_value;
    quint32 m_period = defaultPeriod;
    bool m_auto = false;
    // Its row in the file as last read or written; -1 for a command added since.
    int m_origin = -1;
};
