#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

class UserCommand;

// Shows UserCommands::_self as a table: send symbol, text, period with repetition box.
// Holds no data of its own; edits go straight into the commands.
class UserCommandModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit UserCommandModel(QObject* parent = nullptr);
    ~UserCommandModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static QPixmap playPixmap();

private slots:
    void onWillInsert(int index);
    void onWasInsert(int index, UserCommand& command);
    void onWillRemove(int index, int count);
    void onWasRemove(int index, int count);
};
