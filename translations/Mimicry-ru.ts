<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
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
</TS>
