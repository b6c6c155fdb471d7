#include "at/exchange.h"
#include "input/inputedit.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

QString binaryText(const QByteArray& data) {
    // One multi-argument fill, so a "%" inside the data is never taken for a placeholder.
    return QStringLiteral("hex[%1]{%2}\n   str{%3}\n")
        .arg(QString::number(data.size()), QString::fromLatin1(data.toHex()),
             QString::fromUtf8(data));
}

bool failedAnswer(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return at::finalOf(line) == at::Final::Error;
}

// Worked out once, not for every entry.
const QColor sent_color = QColor(Qt::blue);
const QColor sent_binary_color = QColor(Qt::blue).lighter(150);
const QColor received_color = QColor(Qt::green).darker(200);
const QColor received_binary_color = QColor(Qt::green).darker(120);

} // namespace

QWidget* MainWidget::createLogWidget() {
    m_logEdit = new LogEdit;
    m_logEdit->setReadOnly(true);
    m_logEdit->setFrameStyle(0);
    // The log takes text at line rate; an undo history would double it.
    m_logEdit->document()->setUndoRedoEnabled(false);
    QFont font = m_logEdit->font();
    font.setFamily(QStringLiteral("Consolas"));
    // Where that family is missing, still fall back to a fixed-width face. Shaping is most
    // of the cost of laying out a line, and plain Latin text in a fixed-pitch face needs none;
    // an entry with anything else is shaped (LogEdit::appendEntry).
    font.setStyleHint(QFont::Monospace, QFont::PreferNoShaping);
    font.setFixedPitch(true);
    m_logEdit->setFont(font);

    auto* prompt = new QLabel(QStringLiteral(">"));

    m_inputEdit = new InputEdit;
    m_inputEdit->setObjectName(QStringLiteral("input"));
    // What the user types may be in any script: shaped.
    QFont inputFont = m_logEdit->font();
    inputFont.setStyleStrategy(QFont::PreferDefault);
    m_inputEdit->setFont(inputFont);
    m_inputEdit->setFrame(false);

    auto* enterButton = new QPushButton(tr("Enter"));
    enterButton->setObjectName(QStringLiteral("enter"));
    enterButton->setStyleSheet(
        QStringLiteral("QPushButton {height: 16px;border-radius: 8px;padding: 0 8px 0 8px;margin: "
                       "2px;background-color:cornflowerblue;color: white;}QPushButton:hover "
                       "{background-color:dodgerblue;}QPushButton:pressed {color: gold;}"));

    auto* inputLayout = new QHBoxLayout;
    inputLayout->setContentsMargins(4, 0, 0, 0);
    inputLayout->setSpacing(2);
    inputLayout->addWidget(prompt, 0);
    inputLayout->addWidget(m_inputEdit, 0);
    inputLayout->addWidget(enterButton, 0);
    auto* inputBar = new QWidget;
    inputBar->setStyleSheet(QStringLiteral("background-color: white"));
    inputBar->setLayout(inputLayout);

    auto* panelLayout = new QVBoxLayout;
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    // The exchanges view joins the log here when it is switched on.
    auto* logSplitter = new QSplitter(Qt::Vertical);
    logSplitter->setObjectName(QStringLiteral("log-splitter"));
    logSplitter->setChildrenCollapsible(false);
    logSplitter->addWidget(m_logEdit);
    panelLayout->addWidget(logSplitter, 0);
    addLogBars(panelLayout);
    panelLayout->addWidget(inputBar, 0);
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("log-panel"));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    panel->setLayout(panelLayout);

    connect(m_inputEdit, &QLineEdit::returnPressed, this, &MainWidget::enter);
    connect(enterButton, &QPushButton::clicked, this, &MainWidget::enter);
    return panel;
}

void MainWidget::insertTextToLog(const QString& prefix, const QString& text, QColor color) {
    if (m_sessionActive)
        sessionEntry(prefix, text, color); // recorded, timed or held while paused
    else
        m_logEdit->appendEntry(prefix, text, color);
}

void MainWidget::onAtClientSended(const QByteArray& data) {
    insertTextToLog(QStringLiteral("<< "), QString::fromUtf8(data), sent_color);
}

void MainWidget::onAtClientSendedBinary(const QByteArray& data) {
    insertTextToLog(QStringLiteral("<< "), binaryText(data), sent_binary_color);
}

void MainWidget::onAtClientReceived(const QByteArray& data) {
    if (m_markFailedAction && m_markFailedAction->isChecked() && failedAnswer(data)) {
        insertTextToLog(QStringLiteral(">> "), QString::fromUtf8(data), QColor(Qt::red));
        return;
    }
    insertTextToLog(QStringLiteral(">> "), QString::fromUtf8(data), received_color);
}

void MainWidget::onAtClientReceivedBinary(const QByteArray& data) {
    insertTextToLog(QStringLiteral(">> "), binaryText(data), received_binary_color);
}

void MainWidget::onAtClientErrorOccured(at::Error err) {
    insertTextToLog(QString(),
                    tr("Error(%1):  %2\r\n").arg(QString::number(int(err)), at::toText(err)),
                    QColor(Qt::red));
}
