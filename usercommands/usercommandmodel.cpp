#include "usercommands/usercommandmodel.h"

#include "svg/svg.h"
#include "usercommands/usercommands.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int sendColumn = 0;
constexpr int valueColumn = 1;
constexpr int periodColumn = 2;
constexpr int columns = 3;
} // namespace

UserCommandModel::UserCommandModel(QObject* parent)
    : QAbstractTableModel(parent) {
    UserCommands* list = &UserCommands::_self;
    connect(list, &UserCommands::willInsert, this, &UserCommandModel::onWillInsert);
    connect(list, &UserCommands::wasInsert, this, &UserCommandModel::onWasInsert);
    connect(list, &UserCommands::willRemove, this, &UserCommandModel::onWillRemove);
    connect(list, &UserCommands::wasRemove, this, &UserCommandModel::onWasRemove);
}

UserCommandModel::~UserCommandModel() = default;

int UserCommandModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : UserCommands::_self.size();
}

int UserCommandModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns;
}

QVariant UserCommandModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const UserCommand& command = UserCommands::_self.command(index.row());
    switch (index.column()) {
    case sendColumn:
        if (role == Qt::DecorationRole)
            return playPixmap();
        if (role == Qt::ToolTipRole)
            return tr("Send");
        break;
    case valueColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole)
            return command.value();
        break;
    case periodColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return command.period();
        if (role == Qt::CheckStateRole)
            return static_cast<int>(command.isAuto() ? Qt::Checked : Qt::Unchecked);
        break;
    }
    return {};
}

bool UserCommandModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    UserCommand& command = UserCommands::_self.command(index.row());
    if (role == Qt::EditRole && index.column() == valueColumn) {
        command.setValue(value.toString());
    } else if (role == Qt::EditRole && index.column() == periodColumn) {
        // Text that is no number counts as 0, and so as the floor.
        const qlonglong period = value.toLongLong();
        // Negative input must not wrap to a huge period; setPeriod raises it to the floor.
        constexpr qlonglong max = std::numeric_limits<quint32>::max();
        command.setPeriod(static_cast<quint32>(std::clamp<qlonglong>(period, 0, max)));
    } else if (role == Qt::CheckStateRole && index.column() == periodColumn) {
        command.setAuto(static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    } else {
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

QVariant UserCommandModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const header[] = {"", QT_TR_NOOP("Value"), QT_TR_NOOP("Period, ms")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columns)
        return {};
    return tr(header[section]);
}

Qt::ItemFlags UserCommandModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return result;
    if (index.column() == valueColumn || index.column() == periodColumn)
        result |= Qt::ItemIsEditable;
    if (index.column() == periodColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QPixmap UserCommandModel::playPixmap() {
    static QPixmap play_pixmap;
    if (play_pixmap.isNull())
        play_pixmap = svg::render(QStringLiteral(":/play.svg"), 16, -1, 0);
    return play_pixmap;
}

void UserCommandModel::onWillInsert(int index) {
    beginInsertRows(QModelIndex(), index, index);
}

void UserCommandModel::onWasInsert(int, UserCommand&) {
    endInsertRows();
}

void UserCommandModel::onWillRemove(int index, int count) {
    beginRemoveRows(QModelIndex(), index, index + count - 1);
}

void UserCommandModel::onWasRemove(int, int) {
    endRemoveRows();
}
