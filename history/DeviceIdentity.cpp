#include "DeviceIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString ReadTrimmed(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.read(4096)).trimmed();
}

// The first of the files that holds a text.
QString FirstReadable(const QStringList& paths) {
    for (const QString& path : paths) {
        const QString text = ReadTrimmed(path);
        if (!text.isEmpty()) return text;
    }
    return QString();
}

// The UUID whose link in by-uuid points at /dev/<name>.
QString UuidOf(const QString& name, const QString& devRoot) {
    const QDir links(devRoot + "/disk/by-uuid");
    for (const QFileInfo& link :
         links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (QFileInfo(link.symLinkTarget()).fileName() == name) return link.fileName();
    }
    return QString();
}

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

}  // namespace

DeviceIdentity ReadDeviceIdentity(uint32_t major, uint32_t minor, const QString& sysRoot,
                                  const QString& devRoot) {
    DeviceIdentity device;
    const QString link = QStringLiteral("%1/dev/block/%2:%3").arg(sysRoot).arg(major).arg(minor);
    const QString devicePath = QFileInfo(link).canonicalFilePath();
    if (devicePath.isEmpty()) return device;
    device.name = QFileInfo(devicePath).fileName();
    // A partition's model and serial number belong to the disk that holds it.
    const QString disk = QFileInfo::exists(devicePath + "/partition")
                             ? QFileInfo(devicePath).absolutePath()
                             : devicePath;
    device.model = FirstReadable({disk + "/device/model", disk + "/device/name"});
    device.serial = FirstReadable({disk + "/device/serial", disk + "/serial"});
    device.uuid = UuidOf(device.name, devRoot);
    return device;
}

QJsonObject DeviceJson(const DeviceIdentity& device) {
    return {{"name", TextOrNull(device.name)},
            {"model", TextOrNull(device.model)},
            {"serial", TextOrNull(device.serial)},
            {"uuid", TextOrNull(device.uuid)}};
}
