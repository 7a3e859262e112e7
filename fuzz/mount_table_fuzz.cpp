// The mount table's parser against a model that writes the table as the kernel does: mounts made
// from the input, written with the kernel's escapes, come back field for field, and the mount
// that holds a path is the longest mount point above it, the later one of two on the same point.
// Any other text gives only mounts on absolute paths, the same whether read whole or by line.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <vector>

#include "FuzzCheck.h"
#include "MountTable.h"
#include "modFile.h"

namespace {

struct ModelMount {
    uint32_t major = 0;
    uint32_t minor = 0;
    QByteArray mountPoint;
    QByteArray fsType;
    QByteArray source;
};

// The kernel writes a blank, a tab, a line feed and a backslash as three octal digits.
QByteArray Escaped(const QByteArray& bytes) {
    QByteArray out;
    for (char c : bytes) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            out +=
                '\\' + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
        else
            out += c;
    }
    return out;
}

// 1 to 8 bytes from a small alphabet that holds every byte the kernel escapes, and a split
// two-byte character; no "/", so that a mount point is built from whole folder names.
QByteArray Bytes(FuzzInput& input) {
    static const char alphabet[] = "ab.-_9 \t\n\\\xc3\xa9";
    QByteArray bytes;
    const unsigned length = input.Pick(8) + 1;
    for (unsigned i = 0; i < length; ++i) bytes += alphabet[input.Pick(sizeof alphabet - 1)];
    return bytes;
}

// "/", or one or two folder names below it: a canonical path, as the kernel writes them.
QByteArray MountPoint(FuzzInput& input) {
    QByteArray point = "/";
    if (input.Flag()) return point;
    point += Bytes(input);
    if (input.Flag()) point += '/' + Bytes(input);
    return point;
}

uint32_t Number(FuzzInput& input) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n = n << 8 | input.Byte();
    return n;
}

ModelMount MakeMount(FuzzInput& input) {
    ModelMount mount;
    mount.major = input.Flag() ? 0 : Number(input);
    mount.minor = Number(input);
    mount.mountPoint = MountPoint(input);
    mount.fsType = Bytes(input);
    mount.source = Bytes(input);
    return mount;
}

QByteArray Line(const ModelMount& mount, unsigned id, FuzzInput& input) {
    static const char* const optional[] = {"shared:1", "master:2", "propagate_from:3",
                                           "unbindable"};
    QByteArray line = QByteArray::number(id) + " 1 " + QByteArray::number(mount.major) + ':' +
                      QByteArray::number(mount.minor) + " / " + Escaped(mount.mountPoint) +
                      " rw,relatime";
    for (unsigned i = input.Pick(4); i > 0; --i) line += ' ' + QByteArray(optional[input.Pick(4)]);
    return line + " - " + Escaped(mount.fsType) + ' ' + Escaped(mount.source) + " rw";
}

bool Same(const MountEntry& entry, const ModelMount& model) {
    return entry.major == model.major && entry.minor == model.minor &&
           entry.mountPoint == FileNameFromBytes(model.mountPoint) &&
           entry.fsType == FileNameFromBytes(model.fsType) &&
           entry.source == FileNameFromBytes(model.source);
}

// The mount whose point is the path or a folder above it, the longest; the later of equals.
const ModelMount* ModelHolding(const std::vector<ModelMount>& mounts, const QString& path) {
    const ModelMount* holding = nullptr;
    qsizetype longest = -1;
    for (const ModelMount& mount : mounts) {
        const QString point = FileNameFromBytes(mount.mountPoint);
        const bool above = point == u"/" || path == point || path.startsWith(point + u'/');
        if (above && point.size() >= longest) {
            holding = &mount;
            longest = point.size();
        }
    }
    return holding;
}

void CheckWrittenTable(FuzzInput& input) {
    std::vector<ModelMount> model;
    QByteArray table;
    for (unsigned i = input.Pick(6) + 1; i > 0; --i) {
        model.push_back(MakeMount(input));
        table += Line(model.back(), 20 + i, input) + '\n';
    }
    const std::vector<MountEntry> parsed = drivekind::ParseMountInfo(table);
    FUZZ_CHECK(parsed.size() == model.size());
    for (size_t i = 0; i < parsed.size() && i < model.size(); ++i)
        FUZZ_CHECK(Same(parsed[i], model[i]));

    const ModelMount& chosen = model[input.Pick(static_cast<unsigned>(model.size()))];
    QString path = FileNameFromBytes(chosen.mountPoint);
    if (input.Flag()) path += (path.endsWith(u'/') ? QString() : QStringLiteral("/")) + u'x';
    const ModelMount* expected = ModelHolding(model, path);
    const auto holding = drivekind::MountHolding(parsed, path);
    FUZZ_CHECK(holding.has_value() == (expected != nullptr));
    if (holding && expected) FUZZ_CHECK(Same(*holding, *expected));
}

void CheckAnyText(const QByteArray& text) {
    const std::vector<MountEntry> whole = drivekind::ParseMountInfo(text);
    std::vector<MountEntry> byLine;
    for (const QByteArray& line : text.split('\n'))
        if (auto entry = drivekind::ParseMountInfoLine(line)) byLine.push_back(*entry);
    FUZZ_CHECK(whole.size() == byLine.size());
    for (size_t i = 0; i < whole.size() && i < byLine.size(); ++i) {
        FUZZ_CHECK(whole[i].mountPoint == byLine[i].mountPoint);
        FUZZ_CHECK(whole[i].mountPoint.startsWith(u'/'));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    if (input.Flag())
        CheckWrittenTable(input);
    else
        CheckAnyText(QByteArray(input.Rest(), static_cast<qsizetype>(input.RestSize())));
    return 0;
}
