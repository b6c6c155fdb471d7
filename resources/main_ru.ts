<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>BinaryDialog</name>
    <message>
        <source>Binary data:</source>
        <translation>Двоичные данные:</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Размер</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Previous match (Shift+F3)</source>
        <translation>Предыдущее совпадение (Shift+F3)</translation>
    </message>
    <message>
        <source>Next match (F3)</source>
        <translation>Следующее совпадение (F3)</translation>
    </message>
    <message>
        <source>Close (Escape)</source>
        <translation>Закрыть (Escape)</translation>
    </message>
    <message>
        <source>Find:</source>
        <translation>Найти:</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Нет совпадений</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 из %2</translation>
    </message>
</context>
<context>
    <name>MainWidget</name>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>Ввод</translation>
    </message>
    <message>
        <source>User commands</source>
        <translation>Пользовательские команды</translation>
    </message>
    <message>
        <source>Command list</source>
        <translation>Список команд</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message>
        <source>Test command</source>
        <translation>Тестовая команда</translation>
    </message>
    <message>
        <source>Check device version</source>
        <translation>Проверить версию устройства</translation>
    </message>
    <message>
        <source>Unique device identifier</source>
        <translation>Уникальный идентификатор устройства</translation>
    </message>
    <message>
        <source>Reset device</source>
        <translation>Перезагрузить устройство</translation>
    </message>
    <message>
        <source>Switch to sleep mode</source>
        <translation>Перейти в спящий режим</translation>
    </message>
    <message>
        <source>Check Wi-Fi mode</source>
        <translation>Проверить режим Wi-Fi</translation>
    </message>
    <message>
        <source>Setup Wi-Fi mode.
  &lt;mode&gt; - operating mode:
    0 - Off
    1 - Station
    2 - Access point
    3 - Station and access point</source>
        <translation>Установить режим Wi-Fi.
  &lt;mode&gt; - режим работы:
    0 - выключен
    1 - станция
    2 - точка доступа
    3 - станция и точка доступа</translation>
    </message>
    <message>
        <source>Scan Wi-Fi access points</source>
        <translation>Найти точки доступа Wi-Fi</translation>
    </message>
    <message>
        <source>Check output format for AT+WFSCANAP</source>
        <translation>Проверить формат вывода AT+WFSCANAP</translation>
    </message>
    <message>
        <source>Setup output format for AT+WFSCANAP

AT+WFSCANAPOPT=&lt;mask&gt;</source>
        <translation>Установить формат вывода AT+WFSCANAP

AT+WFSCANAPOPT=&lt;mask&gt;</translation>
    </message>
    <message>
        <source>Check station IP address</source>
        <translation>Проверить IP-адрес станции</translation>
    </message>
    <message>
        <source>Setup dynamic IP address for station</source>
        <translation>Включить динамический IP-адрес станции</translation>
    </message>
    <message>
        <source>Setup static IP address for station

AT+WFSTAIP=1,&lt;ip&gt;,&lt;mask&gt;,&lt;gateway&gt;
  &lt;ip&gt; - IP address
  &lt;mask&gt; - subnet mask
  &lt;gateway&gt; - default gateway</source>
        <translation>Установить статический IP-адрес станции

AT+WFSTAIP=1,&lt;ip&gt;,&lt;mask&gt;,&lt;gateway&gt;
  &lt;ip&gt; - IP-адрес
  &lt;mask&gt; - маска подсети
  &lt;gateway&gt; - шлюз по умолчанию</translation>
    </message>
    <message>
        <source>Check station MAC address</source>
        <translation>Проверить MAC-адрес станции</translation>
    </message>
    <message>
        <source>Setup MAC address for station
  &lt;mac&gt; - MAC address</source>
        <translation>Установить MAC-адрес станции
  &lt;mac&gt; - MAC-адрес</translation>
    </message>
    <message>
        <source>Connect to access point

AT+WFCONNAP=&lt;ssid&gt;,&lt;password&gt;,&lt;mac&gt;
  &lt;ssid&gt; - name
  *&lt;password&gt; - password (optional)
  *&lt;mac&gt; - MAC address (optional)</source>
        <translation>Подключиться к точке доступа

AT+WFCONNAP=&lt;ssid&gt;,&lt;password&gt;,&lt;mac&gt;
  &lt;ssid&gt; - имя сети
  *&lt;password&gt; - пароль (необязательно)
  *&lt;mac&gt; - MAC-адрес (необязательно)</translation>
    </message>
    <message>
        <source>Disconnect from access point</source>
        <translation>Отключиться от точки доступа</translation>
    </message>
    <message>
        <source>Check access point IP address</source>
        <translation>Проверить IP-адрес точки доступа</translation>
    </message>
    <message>
        <source>Setup IP address for access point
  &lt;ip&gt; - IP address (gate way for connected stations)
  &lt;mask&gt; - subnet mask
</source>
        <translation>Установить IP-адрес точки доступа
  &lt;ip&gt; - IP-адрес (шлюз для подключённых станций)
  &lt;mask&gt; - маска подсети
</translation>
    </message>
    <message>
        <source>Check access point MAC address</source>
        <translation>Проверить MAC-адрес точки доступа</translation>
    </message>
    <message>
        <source>Setup MAC address for access point
  &lt;mac&gt; - MAC address</source>
        <translation>Установить MAC-адрес точки доступа
  &lt;mac&gt; - MAC-адрес</translation>
    </message>
    <message>
        <source>Setup access point

AT+WFAPCONF=&lt;ssid&gt;,&lt;password&gt;,&lt;channel&gt;,&lt;auth&gt;,&lt;max_conn&gt;,&lt;hidden&gt;
  &lt;ssid&gt; - name
  &lt;password&gt; - password (optional)
  &lt;channel&gt; - channel (optional)
  &lt;auth&gt; - authorization type (optional)
  &lt;max_conn&gt; - maximum number of connections (optional)
  &lt;hidden&gt; - hidden access point (optional)</source>
        <translation>Настроить точку доступа

AT+WFAPCONF=&lt;ssid&gt;,&lt;password&gt;,&lt;channel&gt;,&lt;auth&gt;,&lt;max_conn&gt;,&lt;hidden&gt;
  &lt;ssid&gt; - имя сети
  &lt;password&gt; - пароль (необязательно)
  &lt;channel&gt; - канал (необязательно)
  &lt;auth&gt; - тип авторизации (необязательно)
  &lt;max_conn&gt; - максимальное число подключений (необязательно)
  &lt;hidden&gt; - скрытая точка доступа (необязательно)</translation>
    </message>
    <message>
        <source>Ping

AT+PING=&lt;ip&gt;,&lt;timeout&gt;,&lt;interval&gt;,&lt;data-size&gt;,&lt;count&gt;
  &lt;ip&gt; - IP address
  &lt;timeout&gt; - request timeout (optional)
  &lt;interval&gt; - interval between requests (optional)
  &lt;data-size&gt; - data size (optional)
  &lt;count&gt; - number of requests (optional)</source>
        <translation>Проверить доступность узла (ping)

AT+PING=&lt;ip&gt;,&lt;timeout&gt;,&lt;interval&gt;,&lt;data-size&gt;,&lt;count&gt;
  &lt;ip&gt; - IP-адрес
  &lt;timeout&gt; - тайм-аут запроса (необязательно)
  &lt;interval&gt; - интервал между запросами (необязательно)
  &lt;data-size&gt; - размер данных (необязательно)
  &lt;count&gt; - число запросов (необязательно)</translation>
    </message>
    <message>
        <source>Get domain IP address

AT+DNS=&lt;domain&gt;
  &lt;domain&gt; - domain name</source>
        <translation>Получить IP-адрес домена

AT+DNS=&lt;domain&gt;
  &lt;domain&gt; - доменное имя</translation>
    </message>
    <message>
        <source>Set data mode for receive data

AT+DATAMODE=&lt;data-mode&gt;
  &lt;data-mode&gt; - data mode
    0 - auto
    1 - HEX (use +READ)
    2 - BIN (use +READB)</source>
        <translation>Установить режим приёма данных

AT+DATAMODE=&lt;data-mode&gt;
  &lt;data-mode&gt; - режим данных
    0 - автоматический
    1 - HEX (через +READ)
    2 - BIN (через +READB)</translation>
    </message>
    <message>
        <source>Open UDP socket

AT+UDPOPEN=&lt;src-port&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;,&lt;index&gt;
  &lt;src-port&gt; - local port (optional)
  &lt;dst-addr&gt; - remote IP address or domain (optional)
  &lt;dst-port&gt; - remote port (optional)
  &lt;index&gt; - socket number (optional)</source>
        <translation>Открыть UDP-сокет

AT+UDPOPEN=&lt;src-port&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;,&lt;index&gt;
  &lt;src-port&gt; - локальный порт (необязательно)
  &lt;dst-addr&gt; - удалённый IP-адрес или домен (необязательно)
  &lt;dst-port&gt; - удалённый порт (необязательно)
  &lt;index&gt; - номер сокета (необязательно)</translation>
    </message>
    <message>
        <source>Connect to TCP socket

AT+TCPCONN=&lt;dst-addr&gt;,&lt;dst-port&gt;,&lt;index&gt;
  &lt;dst-addr&gt; - remote IP address or domain
  &lt;dst-port&gt; - remote port
  &lt;index&gt; - socket number (optional)</source>
        <translation>Подключиться к TCP-сокету

AT+TCPCONN=&lt;dst-addr&gt;,&lt;dst-port&gt;,&lt;index&gt;
  &lt;dst-addr&gt; - удалённый IP-адрес или домен
  &lt;dst-port&gt; - удалённый порт
  &lt;index&gt; - номер сокета (необязательно)</translation>
    </message>
    <message>
        <source>Listen TCP socket

AT+TCPLISTEN=&lt;port&gt;,&lt;conn-count&gt;,&lt;index&gt;
  &lt;port&gt; - local port
  &lt;conn-count&gt; - maximum number of connectins (optional)
  &lt;index&gt; - socket number (optional)</source>
        <translation>Ожидать подключений на TCP-сокете

AT+TCPLISTEN=&lt;port&gt;,&lt;conn-count&gt;,&lt;index&gt;
  &lt;port&gt; - локальный порт
  &lt;conn-count&gt; - максимальное число подключений (необязательно)
  &lt;index&gt; - номер сокета (необязательно)</translation>
    </message>
    <message>
        <source>Write data in HEX data mode

AT+WRITE=&lt;index&gt;,&lt;data&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;
  &lt;index&gt; - socket number
  &lt;data&gt; - data in HEX format
  &lt;dst-addr&gt; - remote IP address or domain name (optional, used for UDP)
  &lt;dst-port&gt; - remote port (optional, used for UDP)</source>
        <translation>Записать данные в режиме HEX

AT+WRITE=&lt;index&gt;,&lt;data&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;
  &lt;index&gt; - номер сокета
  &lt;data&gt; - данные в формате HEX
  &lt;dst-addr&gt; - удалённый IP-адрес или доменное имя (необязательно, для UDP)
  &lt;dst-port&gt; - удалённый порт (необязательно, для UDP)</translation>
    </message>
    <message>
        <source>Write data in BIN data mode

AT+WRITEB=&lt;index&gt;,&lt;size&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;
&lt;BIN&gt;
  &lt;index&gt; - socket number
  &lt;size&gt; - data size
  &lt;dst-addr&gt; - remote IP address or domain name (optional, used for UDP)
  &lt;dst-port&gt; - remote port (optional, used for UDP)
  &lt;BIN&gt; - data in BIN format</source>
        <translation>Записать данные в режиме BIN

AT+WRITEB=&lt;index&gt;,&lt;size&gt;,&lt;dst-addr&gt;,&lt;dst-port&gt;
&lt;BIN&gt;
  &lt;index&gt; - номер сокета
  &lt;size&gt; - размер данных
  &lt;dst-addr&gt; - удалённый IP-адрес или доменное имя (необязательно, для UDP)
  &lt;dst-port&gt; - удалённый порт (необязательно, для UDP)
  &lt;BIN&gt; - данные в двоичном виде</translation>
    </message>
    <message>
        <source>Close socket
  &lt;index&gt; - socket number</source>
        <translation>Закрыть сокет
  &lt;index&gt; - номер сокета</translation>
    </message>
    <message>
        <source>Show information about open sockets</source>
        <translation>Показать сведения об открытых сокетах</translation>
    </message>
    <message>
        <source>Show firmware information</source>
        <translation>Показать сведения о прошивке</translation>
    </message>
    <message>
        <source>Switch firmware</source>
        <translation>Переключить прошивку</translation>
    </message>
    <message>
        <source>Open binary file</source>
        <translation>Открыть двоичный файл</translation>
    </message>
    <message>
        <source>Binary file (*.bin)</source>
        <translation>Двоичный файл (*.bin)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Все файлы (*.*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Failed to open file</source>
        <translation>Не удалось открыть файл</translation>
    </message>
    <message>
        <source>File is too large (more than %1 bytes)</source>
        <translation>Файл слишком велик (больше %1 байт)</translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation>Не обычный файл</translation>
    </message>
    <message>
        <source>File is empty</source>
        <translation>Файл пуст</translation>
    </message>
    <message>
        <source>Not sent: a binary write carries at most %1 bytes<byte value="xd"/>
</source>
        <translation>Не отправлено: двоичная запись несёт не более %1 байт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not sent: the device %1 is gone, choose a port<byte value="xd"/>
</source>
        <translation>Не отправлено: устройство %1 пропало, выберите порт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not sent: %1 (%2)<byte value="xd"/>
</source>
        <translation>Не отправлено: %1 (%2)<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not sent: %1 needs a payload, which a repetition cannot give; send it by hand<byte value="xd"/>
</source>
        <translation>Не отправлено: %1 требует двоичных данных, которых повтор дать не может; отправьте команду вручную<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Failed to read file</source>
        <translation>Не удалось прочитать файл</translation>
    </message>
    <message>
        <source>Failed to write firmware</source>
        <translation>Не удалось записать прошивку</translation>
    </message>
    <message>
        <source>Written</source>
        <translation>Записано</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Error(%1):  %2<byte value="xd"/>
</source>
        <translation>Ошибка(%1):  %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Serial port error:  %1<byte value="xd"/>
</source>
        <translation>Ошибка последовательного порта:  %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1 is in use by %2</source>
        <translation>%1 занят: %2</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Add user command</source>
        <translation>Добавить пользовательскую команду</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Remove user commands</source>
        <translation>Удалить пользовательские команды</translation>
    </message>
    <message>
        <source>virtual</source>
        <translation>виртуальный</translation>
    </message>
    <message>
        <source>Recording stopped: %1: %2<byte value="xd"/>
</source>
        <translation>Запись остановлена: %1: %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Record to file...</source>
        <translation>Записывать в файл...</translation>
    </message>
    <message>
        <source>Show times</source>
        <translation>Показывать время</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Переподключаться</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Пауза</translation>
    </message>
    <message>
        <source>Find...</source>
        <translation>Найти...</translation>
    </message>
    <message>
        <source>Reconnected to %1<byte value="xd"/>
</source>
        <translation>Снова подключено: %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not reopened: %1 is another device now<byte value="xd"/>
</source>
        <translation>Не открыто снова: %1 теперь другое устройство<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Record to file</source>
        <translation>Запись в файл</translation>
    </message>
    <message>
        <source>Text files (*.txt *.log);;All files (*)</source>
        <translation>Текстовые файлы (*.txt *.log);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Not recording: %1: %2<byte value="xd"/>
</source>
        <translation>Запись не начата: %1: %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>Остановить запись</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Идёт запись в %1</translation>
    </message>
    <message>
        <source>Paused, entries waiting: %1</source>
        <translation>Пауза, записей ждёт: %1</translation>
    </message>
    <message>
        <source>, dropped: %1</source>
        <translation>, отброшено: %1</translation>
    </message>
    <message>
        <source>Entries dropped while paused: %1<byte value="xd"/>
</source>
        <translation>Записей отброшено во время паузы: %1<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>Recorder</name>
    <message>
        <source>the file was removed or replaced</source>
        <translation>файл удалён или заменён</translation>
    </message>
</context>
<context>
    <name>UserCommandModel</name>
    <message>
        <source></source>
        <translation></translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Значение</translation>
    </message>
    <message>
        <source>Period, ms</source>
        <translation>Период, мс</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Отправить</translation>
    </message>
</context>
<context>
    <name>app</name>
    <message>
        <source>A terminal for serial modules that speak AT commands.

Usage: kelvra [options]
  -h, --help     show this text and exit
  -v, --version  show the version and exit
Without them the window opens; it takes the toolkit&apos;s own options too
(-platform, -style, ...). KELVRA_EXTRA_PORTS=/path/one:/path/two lists more
device paths first in the port chooser.
</source>
        <translation>Терминал для последовательных модулей, понимающих AT-команды.

Использование: kelvra [параметры]
  -h, --help     показать этот текст и выйти
  -v, --version  показать версию и выйти
Без них открывается окно; оно принимает и собственные параметры Qt
(-platform, -style, ...). KELVRA_EXTRA_PORTS=/путь/один:/путь/два добавляет
пути устройств в начало списка портов.
</translation>
    </message>
</context>
<context>
    <name>at</name>
    <message>
        <source>Timeout</source>
        <translation>Тайм-аут</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отменено</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Нет ошибки</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Сбой</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Неизвестная ошибка</translation>
    </message>
    <message>
        <source>The port is not open</source>
        <translation>Порт не открыт</translation>
    </message>
</context>
<context>
    <name>datafile</name>
    <message>
        <source>%1 not loaded and left as it is: %2</source>
        <translation>%1 не загружен и оставлен как есть: %2</translation>
    </message>
    <message>
        <source>larger than %1 bytes</source>
        <translation>больше %1 байт</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>not a JSON array (%1 at byte %2)</source>
        <translation>не массив JSON (%1 в байте %2)</translation>
    </message>
    <message>
        <source>not a JSON array</source>
        <translation>не массив JSON</translation>
    </message>
</context>
</TS>
