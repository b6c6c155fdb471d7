#include "mainwidget/mainwidget.h"
#include "usercommands/usercommandmodel.h"
#include "usercommands/usercommands.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

QWidget* MainWidget::createUserCommandsWidget() {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);

    m_userCommandsView = new QTableView;
    layout->addWidget(m_userCommandsView);
    m_userCommandsView->setStyleSheet(
        "QTableView {selection-background-color:lightblue;selection-color:black}");
    m_userCommandsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_userCommandsView->setModel(new UserCommandModel(m_userCommandsView));

    QHeaderView* vertical = m_userCommandsView->verticalHeader();
    vertical->hide();
    vertical->setDefaultSectionSize(24);

    QHeaderView* horizontal = m_userCommandsView->horizontalHeader();
    horizontal->setMinimumSectionSize(24);
    horizontal->setSectionResizeMode(0, QHeaderView::Fixed);
    horizontal->resizeSection(0, 24);
    horizontal->setSectionResizeMode(1, QHeaderView::Stretch);
    horizontal->setSectionResizeMode(2, QHeaderView::Fixed);
    horizontal->resizeSection(2, 80);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    buttons->setContentsMargins(0, 0, 0, 5);
    QToolButton* add = createToolButton(tr("Add"), ":/plus.svg", tr("Add user command"));
    QToolButton* remove = createToolButton(tr("Remove"), ":/minus.svg", tr("Remove user commands"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();

    connect(add, &QToolButton::clicked, this, &MainWidget::onAddUserCommand);
    connect(remove, &QToolButton::clicked, this, &MainWidget::onRemoveUserCommands);
    connect(m_userCommandsView, &QTableView::doubleClicked, this,
            &MainWidget::onUserCommandsDoubleClicked);

    // Return on a row sends it as a double-click on its send cell does. Bound to the table
    // itself, so an open cell editor keeps the key for committing its text.
    auto* send = new QShortcut(m_userCommandsView);
    send->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    send->setContext(Qt::WidgetShortcut);
    connect(send, &QShortcut::activated, this, [this] {
        const QModelIndex current = m_userCommandsView->currentIndex();
        if (current.isValid())
            onUserCommandsDoubleClicked(current.siblingAtColumn(0));
    });
    return widget;
}

void MainWidget::onAddUserCommand() {
    const int row = UserCommands::_self.append();
    const QModelIndex index = m_userCommandsView->model()->index(row, 1);
    m_userCommandsView->setFocus(Qt::OtherFocusReason);
    m_userCommandsView->setCurrentIndex(index);
    m_userCommandsView->edit(index);
}

void MainWidget::onRemoveUserCommands() {
    const QModelIndexList selected = m_userCommandsView->selectionModel()->selectedRows(0);
    if (selected.isEmpty())
        return;

    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected)
        rows.append(index.row());
    const int first = *std::min_element(rows.cbegin(), rows.cend());

    UserCommands::_self.remove(rows);

    if (UserCommands::_self.size() > 0) {
        m_userCommandsView->setFocus(Qt::OtherFocusReason);
        m_userCommandsView->setCurrentIndex(
            m_userCommandsView->model()->index(std::max(first - 1, 0), 1));
    }
}

void MainWidget::onUserCommandsDoubleClicked(const QModelIndex& index) {
    if (!index.isValid() || index.column() != 0 || index.row() >= UserCommands::_self.size())
        return;
    if (!openChosenPort(Opener::User))
        return;

    const QString command = UserCommands::_self.command(index.row()).value();
    if (checkBinary(command, true))
        return;
    m_client->userCommand(command, QByteArray());
}
