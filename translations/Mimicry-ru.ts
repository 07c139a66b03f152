<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AccelerometerControls</name>
    <message>
        <source>Accelerometer</source>
        <translation>Акселерометр</translation>
    </message>
    <message>
        <source>g</source>
        <translation>g</translation>
    </message>
    <message>
        <source>m/s</source>
        <translation>м/с</translation>
    </message>
</context>
<context>
    <name>CameraEmulationManager</name>
    <message>
        <source>The camera &quot;%1&quot; was unplugged.</source>
        <translation>Камера «%1» отключена.</translation>
    </message>
    <message>
        <source>The stream stopped: %1</source>
        <translation>Трансляция остановлена: %1</translation>
    </message>
</context>
<context>
    <name>CameraManagementPage</name>
    <message>
        <source>Could not determine the video codec of the video file. Supported codecs: VP8 and VP9.</source>
        <translation>Не удалось определить видеокодек файла. Поддерживаемые кодеки: VP8 и VP9.</translation>
    </message>
    <message>
        <source>Camera emulation does not support %1. Supported codecs: VP8 and VP9.</source>
        <translation>Эмуляция камеры не поддерживает %1. Поддерживаемые кодеки: VP8 и VP9.</translation>
    </message>
    <message>
        <source>Open Video File</source>
        <translation>Открыть видеофайл</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Источник</translation>
    </message>
    <message>
        <source>Host camera</source>
        <translation>Камера компьютера</translation>
    </message>
    <message>
        <source>Video file</source>
        <translation>Видеофайл</translation>
    </message>
    <message>
        <source>Current values</source>
        <translation>Текущие значения</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Камера</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Разрешение</translation>
    </message>
    <message>
        <source>Framerate</source>
        <translation>Частота кадров</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Set settings</source>
        <translation>Применить настройки</translation>
    </message>
    <message>
        <source>Start stream</source>
        <translation>Начать трансляцию</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Остановить</translation>
    </message>
    <message>
        <source>Update cameras list</source>
        <translation>Обновить список камер</translation>
    </message>
    <message>
        <source>Video files (*.webm *.mkv)</source>
        <translation>Видеофайлы (*.webm *.mkv)</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 кадр/с</translation>
    </message>
    <message>
        <source>Sending: %1</source>
        <translation>Передаётся: %1</translation>
    </message>
    <message>
        <source>frames sent: %1</source>
        <translation>отправлено кадров: %1</translation>
    </message>
</context>
<context>
    <name>CompassControls</name>
    <message>
        <source>Compass</source>
        <translation>Компас</translation>
    </message>
    <message>
        <source>Azimuth</source>
        <translation>Азимут</translation>
    </message>
    <message>
        <source>Calib. level</source>
        <translation>Калибровка</translation>
    </message>
</context>
<context>
    <name>ErrorMessageDialog</name>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
</context>
<context>
    <name>GpsManagementPage</name>
    <message>
        <source>The loaded NMEA file has no temporal information. Thus you cannot play it at its own speed.</source>
        <translation>В загруженном файле NMEA нет сведений о времени. Поэтому его нельзя воспроизвести с собственной скоростью.</translation>
    </message>
    <message>
        <source>Open NMEA File</source>
        <translation>Открыть файл NMEA</translation>
    </message>
    <message>
        <source>Current Position</source>
        <translation>Текущее положение</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>Широта</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>Долгота</translation>
    </message>
    <message>
        <source>Altitude</source>
        <translation>Высота</translation>
    </message>
    <message>
        <source>Coordinate</source>
        <translation>Координаты</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Задать</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Трек</translation>
    </message>
    <message>
        <source>Track file</source>
        <translation>Файл трека</translation>
    </message>
    <message>
        <source>Track progress</source>
        <translation>Ход трека</translation>
    </message>
    <message>
        <source>Use own track speed</source>
        <translation>Собственная скорость трека</translation>
    </message>
    <message>
        <source>Loop track</source>
        <translation>Повторять трек</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>№</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>NMEA files (*.nmea)</source>
        <translation>Файлы NMEA (*.nmea)</translation>
    </message>
    <message>
        <source>%1, line: %2</source>
        <translation>%1, строка: %2</translation>
    </message>
    <message>
        <source>No. %1 / %2</source>
        <translation>№ %1 / %2</translation>
    </message>
    <message>
        <source>Track files (*.nmea *.gpx *.kml)</source>
        <translation>Файлы треков (*.nmea *.gpx *.kml)</translation>
    </message>
    <message>
        <source>GPX files (*.gpx)</source>
        <translation>Файлы GPX (*.gpx)</translation>
    </message>
    <message>
        <source>KML files (*.kml)</source>
        <translation>Файлы KML (*.kml)</translation>
    </message>
</context>
<context>
    <name>GyroscopeControls</name>
    <message>
        <source>Gyroscope</source>
        <translation>Гироскоп</translation>
    </message>
    <message>
        <source>deg/s</source>
        <translation>град/с</translation>
    </message>
</context>
<context>
    <name>LightSensorControls</name>
    <message>
        <source>Light Sensor</source>
        <translation>Датчик освещённости</translation>
    </message>
    <message>
        <source>lx</source>
        <translation>лк</translation>
    </message>
    <message>
        <source>Light level</source>
        <translation>Освещённость</translation>
    </message>
</context>
<context>
    <name>MagneticFieldControls</name>
    <message>
        <source>Magnetic Field</source>
        <translation>Магнитное поле</translation>
    </message>
    <message>
        <source>μT</source>
        <translation>мкТл</translation>
    </message>
</context>
<context>
    <name>MagnetometerControls</name>
    <message>
        <source>Magnetometer</source>
        <translation>Магнитометр</translation>
    </message>
    <message>
        <source>μT</source>
        <translation>мкТл</translation>
    </message>
    <message>
        <source>Calib. level</source>
        <translation>Калибровка</translation>
    </message>
</context>
<context>
    <name>Mimicry::Internal::MimicryPlugin</name>
    <message>
        <source>Mimicry</source>
        <translation>Мимикрия</translation>
    </message>
    <message>
        <source>Mimicry…</source>
        <translation>Мимикрия…</translation>
    </message>
    <message>
        <source>The mimicry plugin cannot be used. Please, close the emulator if it is running and add %1 Emulator to the list of available devices in Qt Creator settings.</source>
        <translation>Модуль «Мимикрия» не может быть использован. Закройте эмулятор, если он запущен, и добавьте эмулятор %1 в список доступных устройств в настройках Qt Creator.</translation>
    </message>
    <message>
        <source>The mimicry plugin cannot be used. Please, close %1 and try to use &apos;Mimicry…&apos; again.</source>
        <translation>Модуль «Мимикрия» не может быть использован. Закройте %1 и снова выберите «Мимикрия…».</translation>
    </message>
    <message>
        <source>Emulator connection is lost. Please, run %1 if it is needed and load the GPS-track again.</source>
        <translation>Соединение с эмулятором потеряно. При необходимости запустите %1 и снова загрузите GPS-трек.</translation>
    </message>
    <message>
        <source>Mimicry plugin</source>
        <translation>Модуль «Мимикрия»</translation>
    </message>
</context>
<context>
    <name>Mimicry::Internal::SettingsManager</name>
    <message>
        <source>Values cannot be saved to %1: %2.</source>
        <translation>Значения не удаётся сохранить в %1: %2.</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 не является папкой</translation>
    </message>
    <message>
        <source>the folder %1 cannot be created</source>
        <translation>не удаётся создать папку %1</translation>
    </message>
    <message>
        <source>writing to it failed</source>
        <translation>запись в него не удалась</translation>
    </message>
</context>
<context>
    <name>Mimicry::Internal::TextFileReader</name>
    <message>
        <source>Could not open the file %1: %2</source>
        <translation>Не удалось открыть файл %1: %2</translation>
    </message>
    <message>
        <source>The file %1 is larger than %2 MB.</source>
        <translation>Файл %1 больше %2 МБ.</translation>
    </message>
    <message>
        <source>Could not read the file %1: %2</source>
        <translation>Не удалось прочитать файл %1: %2</translation>
    </message>
    <message>
        <source>Only local files can be opened: %1</source>
        <translation>Открыть можно только локальные файлы: %1</translation>
    </message>
</context>
<context>
    <name>Mimicry::Internal::WarningDialog</name>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>Do not show again</source>
        <translation>Больше не показывать</translation>
    </message>
</context>
<context>
    <name>Mimicry::Internal::XmlTrackReader</name>
    <message>
        <source>Incorrect GPX file</source>
        <translation>Неверный файл GPX</translation>
    </message>
    <message>
        <source>Incorrect KML file</source>
        <translation>Неверный файл KML</translation>
    </message>
    <message>
        <source>GPX file has no track, route or waypoint</source>
        <translation>В файле GPX нет ни трека, ни маршрута, ни путевой точки</translation>
    </message>
    <message>
        <source>KML file has no track, line or point</source>
        <translation>В файле KML нет ни трека, ни линии, ни точки</translation>
    </message>
</context>
<context>
    <name>MimicryPackagesChecker</name>
    <message>
        <source>Packages is not installed: 
</source>
        <translation>Не установлены пакеты: 
</translation>
    </message>
    <message>
        <source>Necessary packages not found on emulator!</source>
        <translation>На эмуляторе не найдены необходимые пакеты!</translation>
    </message>
</context>
<context>
    <name>MimicryView</name>
    <message>
        <source>The sensors values will be reset using the smartphone 3D-model position. Do you want to continue?</source>
        <translation>Значения датчиков будут сброшены по положению 3D-модели смартфона. Продолжить?</translation>
    </message>
    <message>
        <source>Sensors Management</source>
        <translation>Управление датчиками</translation>
    </message>
    <message>
        <source>Sensors Values</source>
        <translation>Значения датчиков</translation>
    </message>
    <message>
        <source>Orientation Management</source>
        <translation>Управление ориентацией</translation>
    </message>
    <message>
        <source>GPS Management</source>
        <translation>Управление GPS</translation>
    </message>
    <message>
        <source>Camera Management</source>
        <translation>Управление камерой</translation>
    </message>
</context>
<context>
    <name>OrientationSensorControls</name>
    <message>
        <source>Orientation Sensor</source>
        <translation>Датчик ориентации</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ориентация</translation>
    </message>
</context>
<context>
    <name>ProximitySensorControls</name>
    <message>
        <source>Proximity Sensor</source>
        <translation>Датчик приближения</translation>
    </message>
    <message>
        <source>Reflectance</source>
        <translation>Отражение</translation>
    </message>
    <message>
        <source>Near</source>
        <translation>Близко</translation>
    </message>
    <message>
        <source>Far</source>
        <translation>Далеко</translation>
    </message>
</context>
<context>
    <name>SensorsManagementPage</name>
    <message>
        <source>The sensor configuration has been changed. Apply or discard changes?</source>
        <translation>Настройка датчиков изменена. Применить или отменить изменения?</translation>
    </message>
    <message>
        <source>Accelerometer</source>
        <translation>Акселерометр</translation>
    </message>
    <message>
        <source>Compass</source>
        <translation>Компас</translation>
    </message>
    <message>
        <source>Orientation Sensor</source>
        <translation>Датчик ориентации</translation>
    </message>
    <message>
        <source>Magnetometer</source>
        <translation>Магнитометр</translation>
    </message>
    <message>
        <source>Gyroscope</source>
        <translation>Гироскоп</translation>
    </message>
    <message>
        <source>Light Sensor</source>
        <translation>Датчик освещённости</translation>
    </message>
    <message>
        <source>Proximity Sensor</source>
        <translation>Датчик приближения</translation>
    </message>
    <message>
        <source>Tap Sensor</source>
        <translation>Датчик касаний</translation>
    </message>
    <message>
        <source>After applying changes, all applications retrieving data from sensors must be restarted.</source>
        <translation>После применения изменений все приложения, получающие данные от датчиков, необходимо перезапустить.</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>Не применено: %1</translation>
    </message>
    <message>
        <source>Changes applied</source>
        <translation>Изменения применены</translation>
    </message>
</context>
<context>
    <name>SensorsValuesPage</name>
    <message>
        <source>Reset values</source>
        <translation>Сбросить значения</translation>
    </message>
</context>
<context>
    <name>SettingsNotice</name>
    <message>
        <source>Hide</source>
        <translation>Скрыть</translation>
    </message>
</context>
<context>
    <name>SmartphoneModel</name>
    <message>
        <source>The 3D view of the phone needs OpenGL.</source>
        <translation>Для трёхмерного вида телефона нужен OpenGL.</translation>
    </message>
</context>
<context>
    <name>SmartphoneModelPage</name>
    <message>
        <source>Rotation</source>
        <translation>Поворот</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Перемещение</translation>
    </message>
    <message>
        <source>X-Rot</source>
        <translation>Поворот X</translation>
    </message>
    <message>
        <source>Y-Rot</source>
        <translation>Поворот Y</translation>
    </message>
    <message>
        <source>Z-Rot</source>
        <translation>Поворот Z</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Device rotation</source>
        <translation>Положение устройства</translation>
    </message>
    <message>
        <source>Resulting values</source>
        <translation>Полученные значения</translation>
    </message>
    <message>
        <source>Accelerometer (m/s²)</source>
        <translation>Акселерометр (м/с²)</translation>
    </message>
    <message>
        <source>Gyroscope (°/s)</source>
        <translation>Гироскоп (°/с)</translation>
    </message>
    <message>
        <source>Magnetometer (μT)</source>
        <translation>Магнитометр (мкТл)</translation>
    </message>
    <message>
        <source>Upright</source>
        <translation>Вертикально</translation>
    </message>
    <message>
        <source>Landscape, top to the right</source>
        <translation>Горизонтально, верхом вправо</translation>
    </message>
    <message>
        <source>Upside down</source>
        <translation>Вверх ногами</translation>
    </message>
    <message>
        <source>Landscape, top to the left</source>
        <translation>Горизонтально, верхом влево</translation>
    </message>
    <message>
        <source>Lying face up</source>
        <translation>Лёжа экраном вверх</translation>
    </message>
    <message>
        <source>Lying face down</source>
        <translation>Лёжа экраном вниз</translation>
    </message>
</context>
<context>
    <name>TapSensorControls</name>
    <message>
        <source>Tap Sensor</source>
        <translation>Датчик касаний</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Направление</translation>
    </message>
</context>
<context>
    <name>nmea-parsing</name>
    <message>
        <source>NMEA file is empty</source>
        <translation>Файл NMEA пуст</translation>
    </message>
    <message>
        <source>NMEA file has incorrect points format.
Supported formats: GPRMC, GPGGA, GPGLL, GPWPL.</source>
        <translation>Точки в файле NMEA имеют неверный формат.
Поддерживаемые форматы: GPRMC, GPGGA, GPGLL, GPWPL.</translation>
    </message>
    <message>
        <source>Incorrect NMEA file</source>
        <translation>Неверный файл NMEA</translation>
    </message>
</context>
</TS>
