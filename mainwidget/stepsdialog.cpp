#include "mainwidget/stepsdialog.h"

#include "app/datafile.h"
#include "at/client.h"
#include "at/step.h"
#include "mainwidget/exchangeview.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {
constexpr int stepTimeoutMs = 5000; // kelvra-at's default
}

StepsDialog::StepsDialog(at::Client* client, ExchangeView* view, std::function<QString()> open,
                         QWidget* parent)
    : QDialog(parent)
    , m_client(client)
    , m_view(view)
    , m_open(std::move(open))
    , m_edit(new QPlainTextEdit)
    , m_keepGoing(new QCheckBox(tr("Keep going")))
    , m_run(new QPushButton(tr("Run")))
    , m_stop(new QPushButton(tr("Stop")))
    , m_status(new QLabel) {
    // Wrapped, a line of a megabyte took minutes to lay out.
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    setObjectName(QStringLiteral("steps"));
    setWindowTitle(tr("Run steps"));
    m_edit->setObjectName(QStringLiteral("steps-text"));
    m_edit->setPlaceholderText(tr("One step a line: AT..., AT+WRITEB=0,2 48 69, wait 5s +EVENT*"));
    m_keepGoing->setObjectName(QStringLiteral("steps-keep-going"));
    m_run->setObjectName(QStringLiteral("steps-run"));
    m_stop->setObjectName(QStringLiteral("steps-stop"));
    m_stop->setEnabled(false);
    m_status->setObjectName(QStringLiteral("steps-status"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* openButton = new QPushButton(tr("Open..."));
    auto* saveButton = new QPushButton(tr("Save..."));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(m_keepGoing);
    buttons->addStretch(1);
    buttons->addWidget(m_run);
    buttons->addWidget(m_stop);
    auto* layout = new QVBoxLayout;
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_status, 0);
    layout->addLayout(buttons, 0);
    setLayout(layout);
    resize(520, 360);

    connect(m_run, &QPushButton::clicked, this, &StepsDialog::run);
    connect(m_stop, &QPushButton::clicked, this, &StepsDialog::stop);
    connect(openButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open steps"));
        QString error;
        if (!path.isEmpty() && !load(path, &error))
            setStatus(tr("Not opened: %1: %2").arg(path, error));
    });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save steps"));
        if (path.isEmpty())
            return;
        const QFileInfo info(path);
        if ((info.exists() && !info.isFile()) ||
            !datafile::write(path, m_edit->toPlainText().toLocal8Bit()))
            setStatus(tr("Not saved: %1").arg(path));
    });
    // The device vanishing, or its port failing, ends the run there.
    connect(m_client->serialPort(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) {
                if (m_runner && error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                    m_runner->stop(at::StepRecord::PortFailed);
            });
}

bool StepsDialog::load(const QString& path, QString* error) {
    // A FIFO would block the window until a writer came.
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = tr("not a regular file");
        return false;
    }
    if (info.size() > max_file_size) {
        *error = tr("larger than 16 MiB");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(max_file_size + 1);
    if (bytes.size() > max_file_size) {
        *error = tr("larger than 16 MiB");
        return false;
    }
    m_edit->setPlainText(QString::fromLocal8Bit(bytes));
    m_status->clear();
    return true;
}

void StepsDialog::setStatus(const QString& text) {
    // A label lays out all its text at once: a step of 100,000 characters took a gigabyte.
    qsizetype most = 300;
    if (text.size() <= most) {
        m_status->setText(text);
        return;
    }
    if (text.at(most - 1).isHighSurrogate())
        --most;
    m_status->setText(text.left(most) + QChar(0x2026));
}

void StepsDialog::run() {
    if (m_runner)
        return;
    m_steps.clear();
    const QStringList lines = m_edit->toPlainText().split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString text = lines[i];
        if (text.endsWith(u'\r'))
            text.chop(1);
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(u'#'))
            continue;
        at::Step step;
        QString error;
        if (!at::parseStep(text, stepTimeoutMs, &step, &error)) {
            setStatus(tr("Not run: line %1: %2").arg(i + 1).arg(error));
            return;
        }
        m_steps.append(step);
    }
    if (m_steps.isEmpty()) {
        setStatus(tr("No steps"));
        return;
    }
    if (const QString refused = m_open(); !refused.isEmpty()) {
        setStatus(refused);
        return;
    }
    m_ok = m_failed = 0;
    m_stopped = false;
    m_firstFailure.clear();
    m_runner = new at::StepRunner(m_client, m_view->acquire(), this);
    m_runner->setKeepGoing(m_keepGoing->isChecked());
    connect(m_runner, &at::StepRunner::stepEnded, this, &StepsDialog::stepEnded);
    connect(m_runner, &at::StepRunner::finished, this, &StepsDialog::end);
    m_run->setEnabled(false);
    m_stop->setEnabled(true);
    setStatus(tr("Step 1 of %1: %2").arg(m_steps.size()).arg(m_steps.first().text));
    m_clock.start();
    for (const at::Step& step : m_steps)
        m_runner->add(step);
    m_runner->noMoreSteps();
}

void StepsDialog::stop() {
    if (!m_runner)
        return;
    m_stopped = true;
    m_runner->stop(at::StepRecord::Cancelled);
}

void StepsDialog::stepEnded(const at::StepRecord& record) {
    if (record.number <= 0)
        return;
    if (record.status == at::StepRecord::Ok) {
        ++m_ok;
    } else {
        ++m_failed;
        if (m_firstFailure.isEmpty()) {
            QString how;
            switch (record.status) {
            case at::StepRecord::Timeout:
                how = tr("no answer in time");
                break;
            case at::StepRecord::PortFailed:
                how = tr("the port failed");
                break;
            case at::StepRecord::Cancelled:
                how = tr("stopped");
                break;
            case at::StepRecord::Refused:
                how = record.failure;
                break;
            default:
                how = QString::fromUtf8(record.result);
            }
            m_firstFailure = tr("%1 at step %2: %3: %4")
                                 .arg(how.section(u':', 0, 0), QString::number(record.number),
                                      record.step.text, how);
        }
    }
    if (record.number < m_steps.size())
        setStatus(tr("Step %1 of %2: %3")
                      .arg(record.number + 1)
                      .arg(m_steps.size())
                      .arg(m_steps.at(record.number).text));
}

void StepsDialog::end() {
    QString summary = tr("%1 steps: %2 OK").arg(m_steps.size()).arg(m_ok);
    if (m_failed > 0)
        summary += tr(", %1 %2").arg(m_failed).arg(m_firstFailure);
    else if (m_stopped && m_ok < m_steps.size())
        summary += tr(", stopped at step %1").arg(m_ok + 1);
    summary += tr(" (%1 s)").arg(double(m_clock.elapsed()) / 1000.0, 0, 'f', 1);
    setStatus(summary);
    m_runner->deleteLater();
    m_runner = nullptr;
    m_view->release();
    m_run->setEnabled(true);
    m_stop->setEnabled(false);
    emit finished(summary, m_failed == 0);
}
