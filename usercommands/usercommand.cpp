#include "usercommands/usercommand.h"

#include "usercommands/usercommands.h"

#include <QJsonValue>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

// QTimer takes an int; a longer period would turn negative and never fire.
int timerInterval(quint32 period) {
    return static_cast<int>(std::min<quint32>(period, INT_MAX));
}

// A hand-edited file may hold anything here; never let it shorten the floor
// that setPeriod keeps, and never let a huge number wrap around.
quint32 periodFromJson(const QJsonValue& value) {
    if (!value.isDouble())
        return UserCommand::defaultPeriod;
    const double period = value.toDouble();
    if (std::isnan(period))
        return UserCommand::defaultPeriod;
    if (period < UserCommand::minPeriod)
        return UserCommand::minPeriod;
    constexpr quint32 max = std::numeric_limits<quint32>::max();
    if (period >= static_cast<double>(max))
        return max;
    return static_cast<quint32>(period);
}

} // namespace

UserCommand::UserCommand() = default;

UserCommand::~UserCommand() {
    if (m_timer)
        m_timer->stop();
}

void UserCommand::setValue(const QString& value) {
    if (value == m_value)
        return;
    m_value = value;
    UserCommands::_self.modified = true;
}

void UserCommand::setPeriod(quint32 period) {
    period = std::max(period, minPeriod);
    if (period == m_period)
        return;
    m_period = period;
    UserCommands::_self.modified = true;
    if (m_timer && m_timer->isActive())
        m_timer->start(timerInterval(m_period));
}

void UserCommand::setAuto(bool on) {
    if (on == m_auto)
        return;
    m_auto = on;
    UserCommands::_self.modified = true;
    if (on) {
        if (!m_timer) {
            m_timer = std::make_unique<QTimer>();
            QObject::connect(m_timer.get(), &QTimer::timeout, &UserCommands::_self,
                             [this] { emit UserCommands::_self.sendCommand(m_value); });
        }
        m_timer->setSingleShot(false);
        m_timer->start(timerInterval(m_period));
    } else if (m_timer) {
        m_timer->stop();
    }
}

QJsonObject UserCommand::toJson() const {
    QJsonObject object;
    object.insert(key::value, m_value);
    object.insert(key::period, static_cast<qint64>(m_period));
    object.insert(key::auto_, m_auto);
    return object;
}

UserCommand* UserCommand::fromJson(const QJsonObject& object) {
    auto* command = new UserCommand;
    command->m_value = object.value(key::value).toString();
    command->m_period = periodFromJson(object.value(key::period));
    return command;
}
