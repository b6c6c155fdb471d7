#include "mainwidget/linecontrol.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QSplitter>

void MainWidget::save() {
    QSettings settings;
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("splitter"), m_splitter->saveState());
    settings.setValue(QStringLiteral("port"), m_portNameCombo->portName());
    settings.setValue(QStringLiteral("baudrate"), m_baudrateCombo->baudrate());
    settings.beginGroup(QStringLiteral("view"));
    const QList<QAction*> actions = m_menu->actions();
    for (QAction* action : actions) {
        if (!action->isCheckable())
            continue;
        const QString name = action->objectName();
        if (!name.isEmpty())
            settings.setValue(name, action->isChecked());
    }
    settings.endGroup();
    m_line->save();
}

void MainWidget::restore() {
    QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("geometry")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QByteArray splitter = settings.value(QStringLiteral("splitter")).toByteArray();
    if (!splitter.isEmpty())
        m_splitter->restoreState(splitter);
    const QString port = settings.value(QStringLiteral("port")).toString();
    // A port chosen by its path is listed again while the path is there.
    if (port.startsWith(QLatin1Char('/')) && !m_portNameCombo->contains(port) &&
        QFileInfo::exists(port))
        m_portNameCombo->choosePort(port);
    else if (!port.isEmpty())
        m_portNameCombo->setPortName(port);
    m_baudrateCombo->setBaudrate(settings.value(QStringLiteral("baudrate")).toInt());
}
