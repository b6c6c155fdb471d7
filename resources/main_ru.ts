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
    <name>CommandSummary</name>
    <message>
        <source>Command</source>
        <translation>Команда</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Отправлено</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Неудачно</translation>
    </message>
    <message>
        <source>How</source>
        <translation>Причины</translation>
    </message>
    <message>
        <source>Min ms</source>
        <translation>Мин., мс</translation>
    </message>
    <message>
        <source>Median ms</source>
        <translation>Медиана, мс</translation>
    </message>
    <message>
        <source>99% ms</source>
        <translation>99%, мс</translation>
    </message>
    <message>
        <source>Max ms</source>
        <translation>Макс., мс</translation>
    </message>
    <message>
        <source>(other commands)</source>
        <translation>(прочие команды)</translation>
    </message>
    <message>
        <source>time-out</source>
        <translation>тайм-аут</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>нет ответа</translation>
    </message>
    <message>
        <source>other</source>
        <translation>прочее</translation>
    </message>
</context>
<context>
    <name>ExchangeModel</name>
    <message>
        <source>time-out</source>
        <translation>тайм-аут</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>нет ответа</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Команда</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>мс</translation>
    </message>
    <message>
        <source>Answer</source>
        <translation>Ответ</translation>
    </message>
    <message>
        <source>time-out, late: %1</source>
        <translation>тайм-аут, с опозданием: %1</translation>
    </message>
    <message>
        <source>unsolicited</source>
        <translation>без запроса</translation>
    </message>
</context>
<context>
    <name>ExchangeView</name>
    <message>
        <source>Failures only</source>
        <translation>Только сбои</translation>
    </message>
    <message>
        <source>Exchanges</source>
        <translation>Обмены</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Сводка</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>Экспорт в CSV...</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>Экспорт в CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>Файлы CSV (*.csv);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>Экспортировано в %1</translation>
    </message>
    <message>
        <source>Not exported: %1: %2</source>
        <translation>Не экспортировано: %1: %2</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>cannot be written</source>
        <translation>запись невозможна</translation>
    </message>
    <message>
        <source>Oldest rows dropped: %1</source>
        <translation>Старых строк отброшено: %1</translation>
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
    <name>LineControl</name>
    <message>
        <source>Line settings...</source>
        <translation>Параметры линии...</translation>
    </message>
    <message>
        <source>Pulse...</source>
        <translation>Импульс...</translation>
    </message>
    <message>
        <source>Line settings not changed while the firmware update runs<byte value="xd"/>
</source>
        <translation>Параметры линии не меняются во время обновления прошивки<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1 does not take %2: the line stays %3<byte value="xd"/>
</source>
        <translation>%1 не поддерживает %2: параметры линии остаются %3<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1 has no control lines: DTR and RTS cannot be set<byte value="xd"/>
</source>
        <translation>У %1 нет линий управления: DTR и RTS установить нельзя<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1 not set: %2<byte value="xd"/>
</source>
        <translation>%1 не установлен: %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not pulsed: the port is not open<byte value="xd"/>
</source>
        <translation>Импульс не подан: порт не открыт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not pulsed: a pulse is running<byte value="xd"/>
</source>
        <translation>Импульс не подан: предыдущий импульс ещё идёт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1, then %2</source>
        <translation>%1, затем %2</translation>
    </message>
    <message>
        <source>Pulse: %1 inverted for %2 ms<byte value="xd"/>
</source>
        <translation>Импульс: %1 инвертирован на %2 мс<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>LineDialog</name>
    <message>
        <source>Line settings</source>
        <translation>Параметры линии</translation>
    </message>
    <message>
        <source>Data bits:</source>
        <translation>Биты данных:</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>Чётность:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Чётная</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Нечётная</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Маркер</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Пробел</translation>
    </message>
    <message>
        <source>Stop bits:</source>
        <translation>Стоп-биты:</translation>
    </message>
    <message>
        <source>Flow control:</source>
        <translation>Управление потоком:</translation>
    </message>
    <message>
        <source>Command line ending:</source>
        <translation>Конец строки команды:</translation>
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
    <message>
        <source>Find baud rate</source>
        <translation>Определить скорость</translation>
    </message>
    <message>
        <source>Not searched: wait until the running exchange has ended<byte value="xd"/>
</source>
        <translation>Поиск не начат: дождитесь окончания текущего обмена<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Trying %1 baud</source>
        <translation>Проверка %1 бод</translation>
    </message>
    <message>
        <source>The module answers at %1 baud<byte value="xd"/>
</source>
        <translation>Модуль отвечает на скорости %1 бод<byte value="xd"/>
</translation>
    </message>
    <message numerus="yes">
        <source>No rate answered: %n rates tried<byte value="xd"/>
</source>
        <translation>
            <numerusform>Ни одна скорость не подошла: проверена %n скорость<byte value="xd"/>
</numerusform>
            <numerusform>Ни одна скорость не подошла: проверены %n скорости<byte value="xd"/>
</numerusform>
            <numerusform>Ни одна скорость не подошла: проверено %n скоростей<byte value="xd"/>
</numerusform>
        </translation>
    </message>
    <message>
        <source>Baud rate search cancelled<byte value="xd"/>
</source>
        <translation>Определение скорости отменено<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Baud rate search stopped: the port failed<byte value="xd"/>
</source>
        <translation>Определение скорости прервано: сбой порта<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not opened: the device %1 is gone; it is opened again when it comes back<byte value="xd"/>
</source>
        <translation>Не открыто: устройство %1 пропало; оно откроется снова, когда вернётся<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not opened: the device %1 is gone, choose a port<byte value="xd"/>
</source>
        <translation>Не открыто: устройство %1 пропало, выберите порт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not sent: the device %1 is gone; it is opened again when it comes back<byte value="xd"/>
</source>
        <translation>Не отправлено: устройство %1 пропало; оно откроется снова, когда вернётся<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Exchanges</source>
        <translation>Обмены</translation>
    </message>
    <message>
        <source>Mark failed answers</source>
        <translation>Отмечать ошибочные ответы</translation>
    </message>
    <message>
        <source>Run steps...</source>
        <translation>Выполнить шаги...</translation>
    </message>
    <message>
        <source>The entry of %1 is no longer in the log</source>
        <translation>Записи %1 в журнале уже нет</translation>
    </message>
    <message>
        <source>Send file...</source>
        <translation>Отправить файл...</translation>
    </message>
    <message>
        <source>Send file</source>
        <translation>Отправить файл</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
    <message>
        <source>Not sent: a file waits until the running exchange has ended<byte value="xd"/>
</source>
        <translation>Не отправлено: файл можно отправить только после окончания текущего обмена<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Not sent: the last paste is still being sent<byte value="xd"/>
</source>
        <translation>Не отправлено: предыдущая вставка ещё отправляется<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1: %2 bytes<byte value="xd"/>
</source>
        <translation>%1: %2 байт<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Sending %1</source>
        <translation>Отправка %1</translation>
    </message>
    <message>
        <source>%1 of %2 bytes sent</source>
        <translation>отправлено %1 из %2 байт</translation>
    </message>
    <message>
        <source>Send file cancelled: %1<byte value="xd"/>
</source>
        <translation>Отправка файла отменена: %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Send file stopped, the device is gone: %1<byte value="xd"/>
</source>
        <translation>Отправка файла прервана, устройство пропало: %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Send file stopped, %1 cannot be read any more: %2<byte value="xd"/>
</source>
        <translation>Отправка файла прервана, %1 больше не читается: %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Firmware update complete: %1 bytes written and accepted<byte value="xd"/>
</source>
        <translation>Обновление прошивки завершено: записано и принято байт: %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Send without line ending</source>
        <translation>Отправить без конца строки</translation>
    </message>
    <message>
        <source>Escapes</source>
        <translation>Экранирование</translation>
    </message>
    <message>
        <source>\r \n \t \\ and \xHH in a typed command stand for their bytes</source>
        <translation>\r \n \t \\ и \xHH в набранной команде обозначают соответствующие байты</translation>
    </message>
    <message>
        <source>Not sent: %1%2: %3 is no escape; known: \r \n \t \\ \xHH<byte value="xd"/>
</source>
        <translation>Не отправлено: %1%2: %3 — неизвестная последовательность; известны: \r \n \t \\ \xHH<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>line %1 of the paste, </source>
        <translation>строка %1 вставки, </translation>
    </message>
    <message>
        <source>Not sent: %1%2 needs a payload; send it by hand<byte value="xd"/>
</source>
        <translation>Не отправлено: %1%2 требует двоичных данных; отправьте команду вручную<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставка</translation>
    </message>
    <message numerus="yes">
        <source>Send %n lines, each as a command of its own?</source>
        <translation>
            <numerusform>Отправить %n строку, каждую как отдельную команду?</numerusform>
            <numerusform>Отправить %n строки, каждую как отдельную команду?</numerusform>
            <numerusform>Отправить %n строк, каждую как отдельную команду?</numerusform>
        </translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Отправить</translation>
    </message>
    <message>
        <source>Paste stopped: %1 of %2 lines sent<byte value="xd"/>
</source>
        <translation>Вставка прервана: отправлено строк %1 из %2<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>%1 bytes of this entry not shown<byte value="xd"/>
</source>
        <translation>Не показано байт этой записи: %1<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Entries dropped at the log&apos;s bound: %1</source>
        <translation>Записей отброшено на пределе журнала: %1</translation>
    </message>
    <message>
        <source>gone</source>
        <translation>пропал</translation>
    </message>
    <message>
        <source>Show bytes as hex</source>
        <translation>Показывать байты в шестнадцатеричном виде</translation>
    </message>
    <message>
        <source>Stay where I scroll</source>
        <translation>Оставаться на месте прокрутки</translation>
    </message>
    <message>
        <source>Other port...</source>
        <translation>Другой порт...</translation>
    </message>
    <message>
        <source>by path</source>
        <translation>по пути</translation>
    </message>
    <message>
        <source>Other port</source>
        <translation>Другой порт</translation>
    </message>
    <message>
        <source>Path of the serial port:</source>
        <translation>Путь к последовательному порту:</translation>
    </message>
</context>
<context>
    <name>PulseDialog</name>
    <message>
        <source>Pulse</source>
        <translation>Импульс</translation>
    </message>
    <message>
        <source>DTR, then RTS</source>
        <translation>DTR, затем RTS</translation>
    </message>
    <message>
        <source>RTS, then DTR</source>
        <translation>RTS, затем DTR</translation>
    </message>
    <message>
        <source>Invert:</source>
        <translation>Инвертировать:</translation>
    </message>
    <message>
        <source>For:</source>
        <translation>На время:</translation>
    </message>
</context>
<context>
    <name>Recorder</name>
    <message>
        <source>the file was removed or replaced</source>
        <translation>файл удалён или заменён</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
</context>
<context>
    <name>StepsDialog</name>
    <message>
        <source>Keep going</source>
        <translation>Продолжать при сбоях</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Выполнить</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Остановить</translation>
    </message>
    <message>
        <source>Run steps</source>
        <translation>Выполнить шаги</translation>
    </message>
    <message>
        <source>One step a line: AT..., AT+WRITEB=0,2 48 69, wait 5s +EVENT*</source>
        <translation>По шагу на строку: AT..., AT+WRITEB=0,2 48 69, wait 5s +EVENT*</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Открыть...</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>Сохранить...</translation>
    </message>
    <message>
        <source>Open steps</source>
        <translation>Открыть шаги</translation>
    </message>
    <message>
        <source>Not opened: %1: %2</source>
        <translation>Не открыто: %1: %2</translation>
    </message>
    <message>
        <source>Save steps</source>
        <translation>Сохранить шаги</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Не сохранено: %1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>larger than 16 MiB</source>
        <translation>больше 16 МиБ</translation>
    </message>
    <message>
        <source>Not run: line %1: %2</source>
        <translation>Не выполнено: строка %1: %2</translation>
    </message>
    <message>
        <source>No steps</source>
        <translation>Нет шагов</translation>
    </message>
    <message>
        <source>Not run: the port cannot be opened</source>
        <translation>Не выполнено: порт не открывается</translation>
    </message>
    <message>
        <source>Step 1 of %1: %2</source>
        <translation>Шаг 1 из %1: %2</translation>
    </message>
    <message>
        <source>no answer in time</source>
        <translation>ответ не пришёл вовремя</translation>
    </message>
    <message>
        <source>the port failed</source>
        <translation>сбой порта</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>остановлено</translation>
    </message>
    <message>
        <source>%1 at step %2: %3: %4</source>
        <translation>%1 на шаге %2: %3: %4</translation>
    </message>
    <message>
        <source>Step %1 of %2: %3</source>
        <translation>Шаг %1 из %2: %3</translation>
    </message>
    <message>
        <source>%1 steps: %2 OK</source>
        <translation>Шагов: %1, успешно: %2</translation>
    </message>
    <message>
        <source>, %1 %2</source>
        <translation>, неудачно: %1, первый сбой: %2</translation>
    </message>
    <message>
        <source>, stopped at step %1</source>
        <translation>, остановлено на шаге %1</translation>
    </message>
    <message>
        <source> (%1 s)</source>
        <translation> (%1 с)</translation>
    </message>
    <message>
        <source>Not run: wait until the running exchange has ended</source>
        <translation>Не запущено: дождитесь окончания текущего обмена</translation>
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
    <message>
        <source>
Usage: kelvra [PORT] [-b|--baud RATE]
  PORT             the serial port to choose and open at start, by its name or
                   its path; a path the system does not list is listed too
  -b, --baud RATE  its baud rate (without it, the rate last chosen)
</source>
        <translation>
Использование: kelvra [ПОРТ] [-b|--baud СКОРОСТЬ]
  ПОРТ                 порт, который выбрать и открыть при запуске, по имени или
                       по пути; путь, которого система не знает, тоже попадает в список
  -b, --baud СКОРОСТЬ  его скорость (без параметра — последняя выбранная)
</translation>
    </message>
    <message>
        <source>one port at most, not &apos;%1&apos; and &apos;%2&apos;</source>
        <translation>не больше одного порта, а не «%1» и «%2»</translation>
    </message>
    <message>
        <source>invalid baud rate &apos;%1&apos;: expected a positive whole number</source>
        <translation>неверная скорость «%1»: ожидается целое положительное число</translation>
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
    <message>
        <source>the module on &apos;%1&apos; did not answer in time when asked to apply the image (%2 bytes written)</source>
        <translation>модуль на «%1» не ответил вовремя на команду применить образ (записано байт: %2)</translation>
    </message>
    <message>
        <source>the module on &apos;%1&apos; answered FAIL when asked to apply the image (%2 bytes written)</source>
        <translation>модуль на «%1» ответил FAIL на команду применить образ (записано байт: %2)</translation>
    </message>
    <message>
        <source>the module on &apos;%1&apos; answered ERROR when asked to apply the image (%2 bytes written)</source>
        <translation>модуль на «%1» ответил ERROR на команду применить образ (записано байт: %2)</translation>
    </message>
    <message>
        <source>the module on &apos;%1&apos; did not answer in time to the block at offset %2 (%2 of %3 bytes confirmed)</source>
        <translation>модуль на «%1» не ответил вовремя на блок по смещению %2 (подтверждено %2 из %3 байт)</translation>
    </message>
    <message>
        <source>the module on &apos;%1&apos; answered FAIL to the block at offset %2 (%2 of %3 bytes confirmed)</source>
        <translation>модуль на «%1» ответил FAIL на блок по смещению %2 (подтверждено %2 из %3 байт)</translation>
    </message>
    <message>
        <source>the module on &apos;%1&apos; answered ERROR to the block at offset %2 (%2 of %3 bytes confirmed)</source>
        <translation>модуль на «%1» ответил ERROR на блок по смещению %2 (подтверждено %2 из %3 байт)</translation>
    </message>
    <message>
        <source>%1 data bits</source>
        <translation>%1 бит данных</translation>
    </message>
    <message>
        <source>even parity</source>
        <translation>чётность «чётная»</translation>
    </message>
    <message>
        <source>odd parity</source>
        <translation>чётность «нечётная»</translation>
    </message>
    <message>
        <source>mark parity</source>
        <translation>чётность «маркер»</translation>
    </message>
    <message>
        <source>space parity</source>
        <translation>чётность «пробел»</translation>
    </message>
    <message>
        <source>no parity</source>
        <translation>без чётности</translation>
    </message>
    <message>
        <source>%1 stop bits</source>
        <translation>стоп-битов: %1</translation>
    </message>
    <message>
        <source>RTS/CTS flow control</source>
        <translation>управление потоком RTS/CTS</translation>
    </message>
    <message>
        <source>XON/XOFF flow control</source>
        <translation>управление потоком XON/XOFF</translation>
    </message>
    <message>
        <source>no flow control</source>
        <translation>без управления потоком</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>порт не открыт</translation>
    </message>
    <message>
        <source>%1 has no control lines</source>
        <translation>у %1 нет линий управления</translation>
    </message>
    <message>
        <source>RTS belongs to the RTS/CTS flow control</source>
        <translation>RTS занят управлением потоком RTS/CTS</translation>
    </message>
    <message>
        <source>%1 is a directory</source>
        <translation>%1 — каталог</translation>
    </message>
    <message>
        <source>%1 is not a terminal</source>
        <translation>%1 — не терминал</translation>
    </message>
    <message>
        <source>invalid time &apos;%1&apos;: expected e.g. 800ms, 5s, 2min</source>
        <translation>неверное время «%1»: ожидается, например, 800ms, 5s, 2min</translation>
    </message>
    <message>
        <source>a wait needs a pattern: wait [TIME] PATTERN</source>
        <translation>для wait нужен шаблон: wait [ВРЕМЯ] ШАБЛОН</translation>
    </message>
    <message>
        <source>a binary write needs its payload in hex: AT+WRITEB=&lt;index&gt;,&lt;size&gt; HEX</source>
        <translation>двоичной записи нужны данные в шестнадцатеричном виде: AT+WRITEB=&lt;index&gt;,&lt;size&gt; HEX</translation>
    </message>
    <message>
        <source>the payload &apos;%1&apos; is not hex: two digits 0-9, A-F for each byte</source>
        <translation>данные «%1» не шестнадцатеричные: на каждый байт нужны две цифры 0-9, A-F</translation>
    </message>
    <message>
        <source>a binary write carries at most %1 bytes</source>
        <translation>двоичная запись несёт не более %1 байт</translation>
    </message>
    <message>
        <source>the command announces %1 bytes, the payload has %2</source>
        <translation>в команде указано %1 байт, а в данных — %2</translation>
    </message>
    <message>
        <source>an empty command</source>
        <translation>пустая команда</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>a pulse is written pulse dtr|rts|dtr,rts|rts,dtr TIME, e.g. pulse dtr 100ms</source>
        <translation>импульс записывается как pulse dtr|rts|dtr,rts|rts,dtr ВРЕМЯ, например pulse dtr 100ms</translation>
    </message>
    <message>
        <source>a control line is set with dtr on|off or rts on|off</source>
        <translation>линия управления задаётся как dtr on|off или rts on|off</translation>
    </message>
    <message>
        <source>%1 not pulsed: %2</source>
        <translation>%1: импульс не подан: %2</translation>
    </message>
    <message>
        <source>%1 not set: %2</source>
        <translation>%1 не установлена: %2</translation>
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
