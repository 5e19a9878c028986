#include "message_tables.h"

namespace quorva {

namespace {

// The texts the Linux port adds, ids from 2001 up, in both languages. Each
// Russian text keeps the placeholders of its English one.
// clang-format off
constexpr MessageRecord kMessages[] = {
    {2001, "Cannot open %s: permission denied. Add your user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again.",
        "Не удалось открыть %s: доступ запрещён. Добавьте своего пользователя в группу 'dialout' (sudo usermod -aG dialout $USER) и войдите в систему заново."},
    {2002, "Cannot open %s: no such device. Check that the programmer is attached, or choose its port in the board settings.",
        "Не удалось открыть %s: устройство не найдено. Проверьте, подключён ли программатор, или выберите его порт в настройках платы."},
    // Prompts of the console front end.
    {2003, "Open file", "Открыть файл"},
    {2004, "Save file as", "Сохранить файл как"},
    {2005, "COM port number", "Номер COM-порта"},
    {2006, "Line speed (0 = 19200, 1 = 115200, 2 = 921600 baud)", "Скорость линии (0 = 19200, 1 = 115200, 2 = 921600 бод)"},
    {2007, "Language (en, ru)", "Язык (en, ru)"},
    // The built-in image is the simulator's and the box is not the simulator.
    {2008, "This build carries no firmware for a real programmer: its built-in image is the simulator's, and sending it would leave the box without working firmware. Use the image from the box maker (quorva-cli firmware-update --image FILE).",
        "Эта сборка не содержит прошивки для настоящего программатора: встроенный образ предназначен для симулятора, и его запись оставит программатор без рабочей прошивки. Используйте образ от производителя (quorva-cli firmware-update --image FILE)."},
    // A production run whose lock and fuse step failed is not a good chip.
    {2009, "Autoprogram: ERROR programming lock and fuse bits",
        "Автопрограммирование: ОШИБКА программирования битов защиты и fuse-битов"},
    // The lock-write instruction of the AT89S2051/4051 is not known.
    {2010, "The lock bits of this device cannot be written: its lock-write instruction is not known.",
        "Биты защиты этой микросхемы не могут быть записаны: команда их записи неизвестна."},
    // AT25 serial memories have no chip-erase instruction.
    {2011, "This device has no chip erase: nothing was erased.",
        "У этой микросхемы нет команды стирания: ничего не стёрто."},
    // quorva-cli autoprogram --count: between two chips of one run.
    {2012, "Chip %d of %d", "Микросхема %d из %d"},
    {2013, "Put the next chip in place and press Enter (Ctrl+D stops).",
        "Установите следующую микросхему и нажмите Enter (Ctrl+D - остановка)."},
    // The answers an unattended run writes to its log next to each question.
    {2020, "Yes", "Да"},
    {2021, "Cancel", "Отмена"},
    {2022, "OK", "OK"},
    // A .hex or .eep file that is not Intel HEX is kept as its text, for
    // looking at; programming that text would write characters as code.
    {2101, "'%s' is not an Intel HEX file: %s. Its bytes were loaded as they stand in the file, as text.",
        "'%s' не является файлом Intel HEX: %s. Его байты загружены так, как они записаны в файле, как текст."},
    {2102, "'%s' is not an Intel HEX file: %s. Its text is not programmed into the chip; nothing was done.",
        "'%s' не является файлом Intel HEX: %s. Его текст не записывается в микросхему; ничего не сделано."},
    {2103, "'%s' is not an Intel HEX file: %s. Program the file's text into the chip as raw bytes all the same?",
        "'%s' не является файлом Intel HEX: %s. Всё равно записать текст файла в микросхему как двоичные данные?"},
    {2104, "line %d does not begin with ':'", "строка %d не начинается с ':'"},
    {2105, "line %d has no line end within 80 characters", "в строке %d нет конца строки в пределах 80 символов"},
    {2106, "the file ends without an end-of-file record", "файл заканчивается без записи конца файла"},
    {2107, "line %d is not a valid record", "строка %d не является правильной записью"},
    {2108, "the checksum of line %d is wrong", "неверная контрольная сумма в строке %d"},
    {2109, "there was not enough memory to decode it", "не хватило памяти для его разбора"},
    // A production run never goes on without a file its project names.
    {2110, "The project names the file '%s', which did not load: the run stops before it touches the chip.",
        "Проект ссылается на файл '%s', который не загрузился: работа остановлена, микросхема не затронута."},
    // Several boxes share one sequence of serial numbers.
    {2111, "No serial number could be taken from '%s': the file cannot be read, is not an image, or cannot be written.",
        "Не удалось взять серийный номер из '%s': файл не читается, не является образом или не записывается."},
    // quorva-cli autoprogram with several boxes.
    {2112, "COM%d, chip %d%s: DONE", "COM%d, микросхема %d%s: ГОТОВО"},
    {2113, "COM%d, chip %d%s: ERROR: %s", "COM%d, микросхема %d%s: ОШИБКА: %s"},
    {2114, ", Eeprom serial number %u", ", серийный номер Eeprom %u"},
    {2115, ", Flash serial number %u", ", серийный номер Flash %u"},
    {2116, "Chips: %d OK, %d failed", "Микросхемы: %d успешно, %d с ошибкой"},
    {2117, "COM%d: %d OK, %d failed", "COM%d: %d успешно, %d с ошибкой"},
    {2118, "COM%d stopped: %s", "COM%d остановлен: %s"},
    {2119, "COM%d: put the next chip in place and press Enter (Ctrl+D stops).",
        "COM%d: установите следующую микросхему и нажмите Enter (Ctrl+D - остановка)."},
    {2120, "the box does not answer", "программатор не отвечает"},
    // quorva-cli ports.
    {2121, "No serial devices were found.", "Последовательные устройства не найдены."},
    {2122, "no COM number (map one in the settings: [Ports] COM%d=%s)",
        "нет номера COM (задайте его в настройках: [Ports] COM%d=%s)"},
    {2123, "may be opened", "доступно"},
    {2124, "permission denied: add your user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again",
        "доступ запрещён: добавьте своего пользователя в группу 'dialout' (sudo usermod -aG dialout $USER) и войдите в систему заново"},
    {2125, "the box answers: %s", "отвечает программатор: %s"},
    {2126, "no box answers", "программатор не отвечает"},
    // The About box on this platform.
    {2127, "Version %s", "Версия %s"},
    {2128, "For Linux", "Для Linux"},
    {2129, "Programs Atmel AVR, AT89S, AT45, AT25 and AT26 chips in the target circuit.",
        "Программирует микросхемы Atmel AVR, AT89S, AT45, AT25 и AT26 прямо в схеме."},
    {2130, "https://www.quorva.org", "https://www.quorva.org"},
    {2131, "support@quorva.org", "support@quorva.org"},
    // A link the desktop did not open, by xdg-open's exit status 1..4.
    {2132, "Can't open link:\n\n", "Не удаётся открыть ссылку:\n\n"},
    {2133, "The desktop did not accept the link as given.", "Рабочий стол не принял ссылку в таком виде."},
    {2134, "The specified file was not found.", "Указанный файл не найден."},
    {2135, "No program that opens links was found\n(xdg-open and the tools it needs).",
        "Не найдена программа для открытия ссылок\n(xdg-open и нужные ему средства)."},
    {2136, "The program that opens this kind of link failed.", "Программа, открывающая такие ссылки, завершилась с ошибкой."},
    {2137, "Unknown Error (%d) occurred.", "Неизвестная ошибка (%d)."},
    // Board Settings: the port and baud buttons, and the device a COM number opens.
    {2138, "COM", "COM"},
    {2139, "%d baud", "%d baud"},
    {2140, "Device that COM%d opens:", "Устройство для COM%d:"},
    {2141, "%s does not exist now. It is kept; connecting will report it if it is still missing.",
        "%s сейчас не существует. Путь сохранится; если устройства не будет, об этом сообщит подключение."},
    // Advanced Board Settings is English in both languages.
    {2142, "WARNING: This window is provided to be used by advanced users/programmers only. Changing this delays to large values may degrade perfomance.",
        "WARNING: This window is provided to be used by advanced users/programmers only. Changing this delays to large values may degrade perfomance."},
    {2143, "Pre-read delay", "Pre-read delay"},
    {2144, "Page read delay", "Page read delay"},
    {2145, "Page write delay", "Page write delay"},
    {2146, "Post-send delay", "Post-send delay"},
    {2147, "ms", "ms"},
    {2148, "Please enter an integer between %d and %d.", "Введите целое число от %d до %d."},
    {2149, "Advanced Board Settings", "Advanced Board Settings"},
    // Dropping files on the main window.
    {2150, "Drop one file at a time: %d files were dropped, none was opened.",
        "Перетаскивайте по одному файлу: перетащено файлов - %d, ни один не открыт."},
    {2151, "\"%s\" is a folder. Drop a file.", "\"%s\" - это папка. Перетащите файл."},
    // Board Settings' search for the box.
    {2152, "Search for the box", "Найти программатор"},
    {2153, "The box answers on COM%d.", "Программатор отвечает на COM%d."},
    {2154, "No box answers on COM1 to COM8.", "Ни на одном из портов COM1 - COM8 программатор не отвечает."},
    // The Lock/Fuse Bits and Project Settings dialogs.
    {2170, "Lock mode %d is unknown: no lock mode is chosen, and no locking is kept unless you choose one.",
        "Режим защиты %d неизвестен: режим не выбран, и без выбора другого защита не устанавливается."},
    {2171, "Enter a whole number of milliseconds from %d to %d.", "Введите целое число миллисекунд от %d до %d."},
    {2172, "Enter a whole number of milliseconds.", "Введите целое число миллисекунд."},
    {2174, "The project's device %d is not in the device list; %s is chosen instead.",
        "Микросхемы проекта %d нет в списке; вместо неё выбрана %s."},
    {2175, "The project's SCK setting %d is not in the list; %s is chosen instead.",
        "Настройки SCK %d нет в списке; вместо неё выбрано %s."},
    // Auto-program's signature check and its cancelled steps; the line that
    // names the chip found under a question about a chip that does not match.
    {2200, "Autoprogram: ERROR wrong device - the project is for %s, the chip answers %02X %02X %02X (%s)",
        "Автопрограммирование: ОШИБКА - не та микросхема: проект для %s, микросхема отвечает %02X %02X %02X (%s)"},
    {2201, "Autoprogram: ERROR reading the signature - the project is for %s",
        "Автопрограммирование: ОШИБКА чтения сигнатуры - проект для %s"},
    {2202, "Chip found: %02X %02X %02X - %s", "Найдена микросхема: %02X %02X %02X - %s"},
    {2203, "Autoprogram: CANCELLED while erasing the device",
        "Автопрограммирование: ПРЕРВАНО при стирании микросхемы"},
    {2204, "Autoprogram: CANCELLED during the blank check",
        "Автопрограммирование: ПРЕРВАНО при проверке на чистоту"},
    {2205, "Autoprogram: CANCELLED while programming Eeprom",
        "Автопрограммирование: ПРЕРВАНО при программировании Eeprom"},
    {2206, "Autoprogram: CANCELLED while verifying Eeprom",
        "Автопрограммирование: ПРЕРВАНО при проверке Eeprom"},
    {2207, "Autoprogram: CANCELLED while programming Flash",
        "Автопрограммирование: ПРЕРВАНО при программировании Flash"},
    {2208, "Autoprogram: CANCELLED while verifying Flash",
        "Автопрограммирование: ПРЕРВАНО при проверке Flash"},
    // A read from the chip that did not complete.
    {2220, "%s; the buffer is unchanged.", "%s; буфер не изменён."},
    // Addresses refused on their field, and a merge the person declined.
    {2221, "Enter a hexadecimal address from 0 to %X.", "Введите шестнадцатеричный адрес от 0 до %X."},
    {2222, "Enter a decimal address from 0 to %d.", "Введите десятичный адрес от 0 до %d."},
    {2223, "The file was not merged; the buffer is unchanged.", "Файл не добавлен; буфер не изменён."},
    // Help without a program that shows the manual, and the hidden line speed.
    {2240, "The manual cannot be shown: no program opens it here (xdg-open is missing or failed).\nOpen it yourself: %s",
        "Не удаётся показать руководство: нет программы, которая его откроет (xdg-open отсутствует или завершился с ошибкой).\nОткройте его сами: %s"},
    {2241, "%d baud (USB, KX3)", "%d baud (USB, KX3)"},
    // The tool tip over a byte of the preview: its address, value and state.
    {2260, "Address %05X: %02X, %s", "Адрес %05X: %02X, %s"},
    {2261, "loaded from the file", "загружен из файла"},
    {2262, "saved to the file", "сохранён в файл"},
    {2263, "programmed into the chip", "записан в микросхему"},
    {2264, "verified: equal to the chip", "проверен: совпадает с микросхемой"},
    {2265, "read from the chip", "прочитан из микросхемы"},
    {2266, "pending: not yet read, programmed or verified, or different from the chip",
        "ожидает: ещё не прочитан, не записан или не проверен, либо отличается от микросхемы"},
    {2267, "edited: typed in, or counted up as a serial number",
        "изменён: введён вручную или увеличен как серийный номер"},
    // Production records and their serial sequences.
    {2300, "The production records at %s cannot be opened: %s", "Журнал производства %s не открывается: %s"},
    {2301, "The production records at %s cannot be written: %s", "В журнал производства %s не удаётся записать: %s"},
    {2302, "the file is not a database or is damaged; it is left as it is",
        "файл не является базой данных или повреждён; он оставлен как есть"},
    {2303, "the file holds other data than production records; it is left as it is",
        "в файле другие данные, а не журнал производства; он оставлен как есть"},
    {2304, "the file is read-only", "файл доступен только для чтения"},
    {2305, "its schema version %d is newer than this program knows (%d)",
        "версия его схемы %d новее, чем знает эта программа (%d)"},
    {2306, "Sequence %s is at %u; setting it back to %u needs --force.",
        "Последовательность %s стоит на %u; чтобы вернуть её на %u, нужен --force."},
    {2307, "The production records at %s hold no record %lld.", "В журнале производства %s нет записи %lld."},
    {2308, "the connection text is not valid", "строка подключения неверна"},
    {2309, "the folder %s cannot be created", "не удаётся создать папку %s"},
    {2340, "Production records are switched off (--records off or [Production] Records=0).",
        "Журнал производства отключён (--records off или [Production] Records=0)."},
    {2341, "The time %s is not understood: write 2026-12-09, 2026-12-09T10:00 or 2026-12-09 10:00:00 (UTC).",
        "Время %s не распознано: пишите 2026-12-09, 2026-12-09T10:00 или 2026-12-09 10:00:00 (UTC)."},
    {2342, "There are no production records at %s yet.", "Журнала производства в %s ещё нет."},
    {2343, "Sequence %s: the next chip gets %u.", "Последовательность %s: следующая микросхема получит %u."},
    {2344, "%s  %u -> %u  station %s, user %s", "%s  %u -> %u  станция %s, пользователь %s"},
    {2345, " (forced)", " (принудительно)"},
    {2346, "Sequence %s has never been used.", "Последовательность %s ещё не использовалась."},
    {2347, "started (UTC)", "начало (UTC)"},
    {2348, "station", "станция"},
    {2349, "box", "программатор"},
    {2350, "device", "микросхема"},
    {2351, "serial", "номер"},
    {2352, "outcome", "итог"},
    {2353, "failing step", "шаг с ошибкой"},
    {2354, "good", "годные"},
    {2355, "failed", "с ошибкой"},
    {2356, "cancelled", "отменены"},
    {2357, "unfinished", "не завершены"},
    {2358, "yield", "выход"},
    {2359, "day", "день"},
    {2360, "The project takes its serial numbers from sequence %s of the production records, but the records are switched off.",
        "Проект берёт серийные номера из последовательности %s журнала производства, но журнал отключён."},
    {2361, "Sequence:", "Последовательность:"},
    {2362, "Take each chip's serial number from this named sequence of the production records, which every PC of a line shares. Empty: the number in the image counts up.",
        "Брать серийный номер каждой микросхемы из этой именованной последовательности журнала производства, общей для всех ПК линии. Пусто: считает номер в файле образа."},
    {2363, "Production &records...", "Журнал производства..."},
    {2364, "Production records", "Журнал производства"},
    {2365, "From (UTC):", "С (UTC):"},
    {2366, "Until (UTC):", "До (UTC):"},
    {2367, "Serial number:", "Серийный номер:"},
    {2368, "Device:", "Микросхема:"},
    {2369, "Station:", "Станция:"},
    {2370, "Failed only", "Только с ошибкой"},
    {2371, "Show", "Показать"},
    {2372, "Export CSV...", "Экспорт в CSV..."},
    {2373, "Close", "Закрыть"},
    {2374, "%d records at %s, newest first", "%d записей в %s, новые сверху"},
    {2375, "CSV files (*.csv)|*.csv|All files (*)|*", "Файлы CSV (*.csv)|*.csv|Все файлы (*)|*"},
    {2376, "The serial number %s is not a number from 0 to 4294967295.", "Серийный номер %s - не число от 0 до 4294967295."},
    {2377, "Export the records as CSV", "Экспорт записей в CSV"},
    {2378, "%s cannot be written.", "Не удаётся записать %s."},
};
// clang-format on

} // namespace

std::span<const MessageRecord> addedMessages()
{
    return kMessages;
}

} // namespace quorva
