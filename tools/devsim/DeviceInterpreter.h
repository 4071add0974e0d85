#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The device software's command interpreter without any I/O: it keeps the state of one device software and
// turns one command text into one reply text. The reply always has the form "<word>: <result>", where the
// result is "OK", the queried value, or "ERROR <reason>".
class DeviceInterpreter {
public:
    // 0 = "Varnel 60", 1 = "Varnel 70".
    explicit DeviceInterpreter(int deviceType);

    enum class ProductionMode { Off, Running, Paused };

    // Commands longer than this are refused without being parsed. The longest legal command (a 20000
    // character device command parameter with its word and address) stays well below it.
    static constexpr qsizetype MaxCommandLength = 32 * 1024;

    // The word that starts a reply is cut to this many characters, so junk is not echoed at length.
    static constexpr qsizetype MaxEchoedWordLength = 16;

    int deviceType() const { return m_deviceType; }
    QString deviceName() const;
    ProductionMode productionMode() const { return m_mode; }

    // Interprets one command (without line terminator) and returns the reply (without line terminator).
    QString execute(QStringView command);

    // The values that a device reports before anything was set: per address and for the device group.
    enum class Field {
        Program,
        BatchCaption,
        SerialNumber,
        ComponentCaption,
        PartNumber,
        Additional1,
        Additional2,
        ChargeCaption,
        Remark,
        DeviceCommand,
        BackupFile,
        Count
    };

    // Exposed for the table in the source file.
    struct Command;

private:
    QString setMode(QStringView word, QStringView rest);
    QString run(const Command& command, QStringView word, QStringView rest);
    QString unitValue(int address, Field field) const;

    static constexpr int AddressCount = 256;
    static constexpr std::size_t FieldCount = static_cast<std::size_t>(Field::Count);

    int m_deviceType;
    ProductionMode m_mode = ProductionMode::Off;
    // A value set for one address overrides the group value until the next group setting.
    std::array<std::array<std::optional<QString>, FieldCount>, AddressCount> m_units;
    std::array<QString, FieldCount> m_group;
    QString m_userName;
    QString m_deviceList;
};
