#include "mainwidget/mainwidget.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int atEnd = -1;

// One catalogue button: its label, the tooltip source text, the text put
// into the input line, whether a click sends it at once, and where the
// cursor goes when it is only prepared.
struct CatalogueCommand {
    const char* label;
    const char* toolTip;
    const char* text;
    bool send;
    int cursor;
};

struct CatalogueRow {
    CatalogueCommand commands[3];
};

// Tooltips are only marked here, so the translation tools find them; they
// are translated when the buttons are made.
const CatalogueRow catalogue[] = {
    {{{"AT", QT_TRANSLATE_NOOP("MainWidget", "Test command"), "AT", true, atEnd},
      {"AT+VERSION", QT_TRANSLATE_NOOP("MainWidget", "Check device version"), "AT+VERSION", true,
       atEnd},
      {"AT+UID", QT_TRANSLATE_NOOP("MainWidget", "Unique device identifier"), "AT+UID", true,
       atEnd}}},
    {{{"AT+RESET", QT_TRANSLATE_NOOP("MainWidget", "Reset device"), "AT+RESET", true, atEnd},
      {"AT+SLEEP", QT_TRANSLATE_NOOP("MainWidget", "Switch to sleep mode"), "AT+SLEEP", true,
       atEnd}}},
    {{{"AT+WFMODE?", QT_TRANSLATE_NOOP("MainWidget", "Check Wi-Fi mode"), "AT+WFMODE?", true,
       atEnd},
      {"AT+WFMODE=<mode>",
       QT_TRANSLATE_NOOP("MainWidget", "Setup Wi-Fi mode.\n"
                                       "  <mode> - operating mode:\n"
                                       "    0 - Off\n"
                                       "    1 - Station\n"
                                       "    2 - Access point\n"
                                       "    3 - Station and access point"),
       "AT+WFMODE=", false, atEnd}}},
    {{{"AT+WFSCANAP", QT_TRANSLATE_NOOP("MainWidget", "Scan Wi-Fi access points"), "AT+WFSCANAP",
       true, atEnd}}},
    {{{"AT+WFSCANAPOPT?", QT_TRANSLATE_NOOP("MainWidget", "Check output format for AT+WFSCANAP"),
       "AT+WFSCANAPOPT?", true, atEnd},
      {"AT+WFSCANAPOPT=",
       QT_TRANSLATE_NOOP("MainWidget",
                         "Setup output format for AT+WFSCANAP\n\nAT+WFSCANAPOPT=<mask>"),
       "AT+WFSCANAPOPT=1023", false, atEnd}}},
    {{{"AT+WFSTAIP?", QT_TRANSLATE_NOOP("MainWidget", "Check station IP address"), "AT+WFSTAIP?",
       true, atEnd},
      {"AT+WFSTAIP=0", QT_TRANSLATE_NOOP("MainWidget", "Setup dynamic IP address for station"),
       "AT+WFSTAIP=0", true, atEnd},
      {"AT+WFSTAIP=1,",
       QT_TRANSLATE_NOOP("MainWidget", "Setup static IP address for station\n\n"
                                       "AT+WFSTAIP=1,<ip>,<mask>,<gateway>\n"
                                       "  <ip> - IP address\n"
                                       "  <mask> - subnet mask\n"
                                       "  <gateway> - default gateway"),
       "AT+WFSTAIP=1,\"\",\"255.255.255.0\",\"\"", false, 14}}},
    {{{"AT+WFSTAMAC?", QT_TRANSLATE_NOOP("MainWidget", "Check station MAC address"), "AT+WFSTAMAC?",
       true, atEnd},
      {"AT+WFSTAMAC=<mac>",
       QT_TRANSLATE_NOOP("MainWidget", "Setup MAC address for station\n  <mac> - MAC address"),
       "AT+WFSTAMAC=\"\"", false, 13}}},
    {{{"AT+WFCONNAP=",
       QT_TRANSLATE_NOOP("MainWidget", "Connect to access point\n\n"
                                       "AT+WFCONNAP=<ssid>,<password>,<mac>\n"
                                       "  <ssid> - name\n"
                                       "  *<password> - password (optional)\n"
                                       "  *<mac> - MAC address (optional)"),
       "AT+WFCONNAP=\"\"", false, 13},
      {"AT+WFDISCONNAP", QT_TRANSLATE_NOOP("MainWidget", "Disconnect from access point"),
       "AT+WFDISCONNAP", true, atEnd}}},
    {{{"AT+WFAPIP?", QT_TRANSLATE_NOOP("MainWidget", "Check access point IP address"), "AT+WFAPIP?",
       true, atEnd},
      {"AT+WFAPIP=<ip>,<mac>",
       QT_TRANSLATE_NOOP("MainWidget", "Setup IP address for access point\n"
                                       "  <ip> - IP address (gate way for connected stations)\n"
                                       "  <mask> - subnet mask\n"),
       "AT+WFAPIP=\"\",\"\"", false, 11}}},
    {{{"AT+WFAPMAC?", QT_TRANSLATE_NOOP("MainWidget", "Check access point MAC address"),
       "AT+WFAPMAC?", true, atEnd},
      {"AT+WFAPMAC=<mac>",
       QT_TRANSLATE_NOOP("MainWidget", "Setup MAC address for access point\n  <mac> - MAC address"),
       "AT+WFAPMAC=\"\"", false, 12}}},
    {{{"AT+WFAPCONF=",
       QT_TRANSLATE_NOOP("MainWidget",
                         "Setup access point\n\n"
                         "AT+WFAPCONF=<ssid>,<password>,<channel>,<auth>,<max_conn>,<hidden>\n"
                         "  <ssid> - name\n"
                         "  <password> - password (optional)\n"
                         "  <channel> - channel (optional)\n"
                         "  <auth> - authorization type (optional)\n"
                         "  <max_conn> - maximum number of connections (optional)\n"
                         "  <hidden> - hidden access point (optional)"),
       "AT+WFAPCONF=\"\"", false, 13}}},
    {{{"AT+PING=",
       QT_TRANSLATE_NOOP("MainWidget", "Ping\n\n"
                                       "AT+PING=<ip>,<timeout>,<interval>,<data-size>,<count>\n"
                                       "  <ip> - IP address\n"
                                       "  <timeout> - request timeout (optional)\n"
                                       "  <interval> - interval between requests (optional)\n"
                                       "  <data-size> - data size (optional)\n"
                                       "  <count> - number of requests (optional)"),
       "AT+PING=\"\"", false, 9},
      {"AT+DNS=",
       QT_TRANSLATE_NOOP("MainWidget", "Get domain IP address\n\n"
                                       "AT+DNS=<domain>\n"
                                       "  <domain> - domain name"),
       "AT+DNS=\"\"", false, 8},
      {"AT+DATAMODE=",
       QT_TRANSLATE_NOOP("MainWidget", "Set data mode for receive data\n\n"
                                       "AT+DATAMODE=<data-mode>\n"
                                       "  <data-mode> - data mode\n"
                                       "    0 - auto\n"
                                       "    1 - HEX (use +READ)\n"
                                       "    2 - BIN (use +READB)"),
       "AT+DATAMODE=", false, atEnd}}},
    {{{"AT+UDPOPEN=",
       QT_TRANSLATE_NOOP("MainWidget", "Open UDP socket\n\n"
                                       "AT+UDPOPEN=<src-port>,<dst-addr>,<dst-port>,<index>\n"
                                       "  <src-port> - local port (optional)\n"
                                       "  <dst-addr> - remote IP address or domain (optional)\n"
                                       "  <dst-port> - remote port (optional)\n"
                                       "  <index> - socket number (optional)"),
       "AT+UDPOPEN", false, atEnd}}},
    {{{"AT+TCPCONN=",
       QT_TRANSLATE_NOOP("MainWidget", "Connect to TCP socket\n\n"
                                       "AT+TCPCONN=<dst-addr>,<dst-port>,<index>\n"
                                       "  <dst-addr> - remote IP address or domain\n"
                                       "  <dst-port> - remote port\n"
                                       "  <index> - socket number (optional)"),
       "AT+TCPCONN=\"\",", false, 12},
      {"AT+TCPLISTEN=",
       QT_TRANSLATE_NOOP("MainWidget", "Listen TCP socket\n\n"
                                       "AT+TCPLISTEN=<port>,<conn-count>,<index>\n"
                                       "  <port> - local port\n"
                                       "  <conn-count> - maximum number of connectins (optional)\n"
                                       "  <index> - socket number (optional)"),
       "AT+TCPLISTEN=", false, atEnd}}},
    {{{"AT+WRITE=",
       QT_TRANSLATE_NOOP(
           "MainWidget",
           "Write data in HEX data mode\n\n"
           "AT+WRITE=<index>,<data>,<dst-addr>,<dst-port>\n"
           "  <index> - socket number\n"
           "  <data> - data in HEX format\n"
           "  <dst-addr> - remote IP address or domain name (optional, used for UDP)\n"
           "  <dst-port> - remote port (optional, used for UDP)"),
       "AT+WRITE=,", false, 9},
      {"AT+WRITEB=",
       QT_TRANSLATE_NOOP(
           "MainWidget",
           "Write data in BIN data mode\n\n"
           "AT+WRITEB=<index>,<size>,<dst-addr>,<dst-port>\n"
           "<BIN>\n"
           "  <index> - socket number\n"
           "  <size> - data size\n"
           "  <dst-addr> - remote IP address or domain name (optional, used for UDP)\n"
           "  <dst-port> - remote port (optional, used for UDP)\n"
           "  <BIN> - data in BIN format"),
       "AT+WRITEB=,", false, 10}}},
    {{{"AT+CLOSE=<index>",
       QT_TRANSLATE_NOOP("MainWidget", "Close socket\n  <index> - socket number"),
       "AT+CLOSE=", false, atEnd},
      {"AT+SSTAT", QT_TRANSLATE_NOOP("MainWidget", "Show information about open sockets"),
       "AT+SSTAT", true, atEnd}}},
    {{{"AT+FWINFO", QT_TRANSLATE_NOOP("MainWidget", "Show firmware information"), "AT+FWINFO", true,
       atEnd},
      {"AT+FWSEL=", QT_TRANSLATE_NOOP("MainWidget", "Switch firmware"), "AT+FWSEL=", false,
       atEnd}}},
};

} // namespace

QWidget* MainWidget::createCommandListWidget() {
    auto* widget = new QWidget;
    m_commandListLayout = new QVBoxLayout(widget);
    m_commandListLayout->setContentsMargins(0, 0, 5, 0);
    m_commandListLayout->setSpacing(2);

    for (const CatalogueRow& row : catalogue) {
        QList<Button> buttons;
        for (const CatalogueCommand& command : row.commands) {
            if (!command.label)
                break;
            const QString text = QString::fromLatin1(command.text);
            const bool send = command.send;
            const int cursor = command.cursor;
            buttons.append({QString::fromLatin1(command.label), tr(command.toolTip),
                            [this, text, send, cursor] { input(text, send, cursor); }});
        }
        addCommandRow(buttons);
    }
    m_commandListLayout->addStretch(0);
    return widget;
}

QPushButton* MainWidget::createCommandButton(const QString& text, const QString& toolTip,
                                             std::function<void()> action) {
    auto* button = new QPushButton(text);
    button->setStyleSheet("QPushButton {height: 16px;border-radius: 8px;padding: 0 8px 0 8px;"
                          "background-color:lightseagreen;color: white;}"
                          "QPushButton:hover {background-color:darkcyan;}"
                          "QPushButton:pressed {color: gold;}");
    button->setToolTip(toolTip);
    connect(button, &QPushButton::clicked, this, std::move(action));
    return button;
}

void MainWidget::addCommandRow(const QList<Button>& buttons) {
    auto* row = new QHBoxLayout;
    m_commandListLayout->addLayout(row);
    for (const Button& button : buttons)
        row->addWidget(createCommandButton(button.text, button.toolTip, button.action));
    row->addStretch(0);
}
