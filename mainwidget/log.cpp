#include "at/exchange.h"
#include "at/hexdump.h"
#include "input/inputedit.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/recorder.h"

#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace {

// size: of the whole block, of which data may be the beginning.
QString binaryText(QByteArrayView data, qsizetype size) {
    // One multi-argument fill, so a "%" inside the data is never taken for a placeholder.
    return QStringLiteral("hex[%1]{%2}\n   str{%3}\n")
        .arg(QString::number(size), QString::fromLatin1(data.toByteArray().toHex()),
             QString::fromUtf8(data));
}

// The characters of a binary entry beyond its hex and str parts.
constexpr qsizetype binary_overhead = 40;

// Where to cut data to show at most count bytes: not inside a character.
qsizetype textCut(const QByteArray& data, qsizetype count) {
    qsizetype cut = qMin(count, data.size());
    for (int back = 0;
         back < 3 && cut > 0 && cut < data.size() && (uchar(data.at(cut)) & 0xc0) == 0x80; ++back)
        --cut;
    return cut;
}

const QColor note_color = QColor(Qt::darkGray);

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
    // A received line that is not ended yet goes on only in the next piece of it.
    if (lineEndDue())
        endOpenLine();
    if (m_sessionActive)
        sessionEntry(prefix, text, color); // recorded, timed or held while paused
    else
        m_logEdit->appendEntry(prefix, text, color);
}

void MainWidget::endOpenLine() {
    // A partial line shown at a close, an open or a transaction's start is ended: what comes
    // next is not part of it.
    if (std::exchange(m_lineOpen, false))
        insertTextToLog(QString(), QStringLiteral("\r\n"), received_color);
}

void MainWidget::logData(const QString& prefix, const QByteArray& data, bool binary,
                         const QColor& color) {
    const bool hex = showsHex();
    // Rows after the first stand under it.
    const QString indent = hex ? QString(prefix.size(), u' ') : QString();
    const auto text = [&](QByteArrayView shown) {
        return hex      ? at::hexText(shown, indent)
               : binary ? binaryText(shown, data.size())
                        : QString::fromUtf8(shown);
    };
    // The log's bound holds for one entry too. Beyond it the log shows the beginning, and the
    // text of the rest is never made: a block of 16 MiB is 48 million characters.
    const qsizetype bound = qsizetype(m_logEdit->maxCharacters());
    const qsizetype size = data.size();
    const qsizetype length = hex      ? at::hexTextLength(size, indent.size())
                             : binary ? 3 * size + binary_overhead
                                      : size;
    if (length <= bound || (hex && size <= at::hex_row_bytes)) {
        insertTextToLog(prefix, text(data), color);
        return;
    }
    if (lineEndDue())
        endOpenLine(); // recorded before the entry
    if (m_sessionActive && m_recorder->isRecording())
        recordWhole(prefix, data, binary, indent);
    const qsizetype rows = qMax<qsizetype>(1, bound / (at::hex_row_width + 1 + indent.size()));
    const qsizetype shown = hex      ? qMin(size, rows * at::hex_row_bytes)
                            : binary ? qMax<qsizetype>(0, (bound - binary_overhead) / 3)
                                     : textCut(data, bound);
    QString shownText = text(QByteArrayView(data).first(shown));
    if (!hex && !binary)
        shownText += QStringLiteral("\r\n");
    m_recorded = true;
    insertTextToLog(prefix, shownText, color);
    insertTextToLog(QString(), tr("%1 bytes of this entry not shown\r\n").arg(size - shown),
                    note_color);
    m_recorded = false;
}

void MainWidget::recordWhole(const QString& prefix, const QByteArray& data, bool binary,
                             const QString& hexIndent) {
    // In pieces from the bytes, as the log would show it whole.
    constexpr qsizetype piece = 64 * 1024;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!hexIndent.isEmpty()) {
        for (qsizetype at = 0; at < data.size(); at += piece)
            m_recorder->write(
                now, at == 0 ? prefix : QString(),
                (at == 0 ? QString() : hexIndent) +
                    at::hexText(QByteArrayView(data).sliced(at, qMin(piece, data.size() - at)),
                                hexIndent));
        return;
    }
    const auto text = [&] {
        QStringDecoder decoder(QStringDecoder::Utf8);
        for (qsizetype at = 0; at < data.size(); at += piece)
            m_recorder->write(
                now, QString(),
                decoder.decode(QByteArrayView(data).sliced(at, qMin(piece, data.size() - at))));
    };
    if (!binary) {
        m_recorder->write(now, prefix, QString());
        text();
        return;
    }
    m_recorder->write(now, prefix, QStringLiteral("hex[%1]{").arg(data.size()));
    for (qsizetype at = 0; at < data.size(); at += piece)
        m_recorder->write(now, QString(), QString::fromLatin1(data.mid(at, piece).toHex()));
    m_recorder->write(now, QString(), QStringLiteral("}\n   str{"));
    text();
    m_recorder->write(now, QString(), QStringLiteral("}\n"));
}

bool MainWidget::showsHex() const {
    return m_hexAction && m_hexAction->isChecked();
}

void MainWidget::onAtClientSended(const QByteArray& data) {
    logData(QStringLiteral("<< "), data, false, sent_color);
    // A command sent without a line ending (Shift+Return, the ending "none") is a line of its
    // own all the same: the module's answer starts on the next. Rows of hex end their lines.
    m_lineOpen = !showsHex() && !data.endsWith('\n') && !data.endsWith('\r');
    m_openBySend = m_lineOpen;
}

void MainWidget::onAtClientSendedBinary(const QByteArray& data) {
    logData(QStringLiteral("<< "), data, true, sent_binary_color);
}

void MainWidget::onAtClientReceived(const QByteArray& data) {
    // The client shows a line without end in pieces; the next piece goes on with it. As hex
    // each piece has rows of its own, and a piece shown as text before is ended first.
    const bool hex = showsHex();
    m_lineContinues = !hex;
    const bool failed = m_markFailedAction && m_markFailedAction->isChecked() && failedAnswer(data);
    logData(QStringLiteral(">> "), data, false, failed ? QColor(Qt::red) : received_color);
    m_lineContinues = false;
    m_lineOpen = !hex && !data.endsWith('\n') && !data.endsWith('\r');
    m_openBySend = false;
}

void MainWidget::onAtClientReceivedBinary(const QByteArray& data) {
    logData(QStringLiteral(">> "), data, true, received_binary_color);
}

void MainWidget::onAtClientErrorOccured(at::Error err) {
    insertTextToLog(QString(),
                    tr("Error(%1):  %2\r\n").arg(QString::number(int(err)), at::toText(err)),
                    QColor(Qt::red));
}
