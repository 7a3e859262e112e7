// Which drive a run tested, as a fleet tells drives apart: the block device's kernel name, the
// model and serial number sysfs reports for its disk, and the file system's UUID.
#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>

struct DeviceIdentity {
    QString name;    // "sda1", "nvme0n1p2"; empty when unknown
    QString model;   // of the disk the device belongs to
    QString serial;  // of that disk
    QString uuid;    // of the file system on the device
};

// Reads the identity of block device major:minor from a sysfs tree (normally "/sys") and the
// by-uuid links of a device folder (normally "/dev"). Fields that cannot be read stay empty.
DeviceIdentity ReadDeviceIdentity(uint32_t major, uint32_t minor, const QString& sysRoot,
                                  const QString& devRoot);

// The report's "device" object: every field a text, or null when unknown.
QJsonObject DeviceJson(const DeviceIdentity& device);
