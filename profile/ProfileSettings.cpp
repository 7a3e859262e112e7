#include "ProfileSettings.h"

#include <cmath>

namespace {

constexpr int32_t kMiB = 1 << 20;
constexpr int32_t kKiB = 1 << 10;

ProfileTest Seq(int32_t blockBytes, int32_t depth, int32_t threads) {
    return {AccessPattern::Sequential, blockBytes, depth, threads, 1};
}

ProfileTest Rnd(int32_t blockBytes, int32_t depth, int32_t threads, double readShare = 1) {
    return {AccessPattern::Random, blockBytes, depth, threads, readShare};
}

QString BlockName(int32_t bytes) {
    if (bytes >= kMiB && bytes % kMiB == 0) return QString::number(bytes / kMiB) + u'M';
    if (bytes >= kKiB && bytes % kKiB == 0) return QString::number(bytes / kKiB) + u'K';
    return QString::number(bytes);
}

}  // namespace

QString ProfileTest::Name() const {
    QString name =
        QStringLiteral("%1%2 Q%3T%4")
            .arg(pattern == AccessPattern::Sequential ? "SEQ" : "RND", BlockName(blockBytes))
            .arg(depth)
            .arg(threads);
    if (Mixed()) name += QStringLiteral(" MIX%1").arg(std::lround(readShare * 100));
    return name;
}

QStringList PresetNames() {
    return {QStringLiteral("default"), QStringLiteral("peak"), QStringLiteral("nvme"),
            QStringLiteral("realworld")};
}

std::optional<std::vector<ProfileTest>> PresetTests(const QString& name) {
    if (name == QLatin1String("default"))
        return std::vector{Seq(kMiB, 8, 1), Seq(kMiB, 1, 1), Rnd(4 * kKiB, 32, 1),
                           Rnd(4 * kKiB, 1, 1)};
    if (name == QLatin1String("peak")) return std::vector{Seq(kMiB, 8, 1), Rnd(4 * kKiB, 32, 16)};
    if (name == QLatin1String("nvme"))
        return std::vector{Seq(kMiB, 8, 1), Seq(128 * kKiB, 32, 1), Rnd(4 * kKiB, 32, 16),
                           Rnd(4 * kKiB, 1, 1)};
    if (name == QLatin1String("realworld"))
        return std::vector{Seq(kMiB, 1, 1), Rnd(4 * kKiB, 1, 1), Rnd(4 * kKiB, 1, 1, 0.7)};
    return std::nullopt;
}
