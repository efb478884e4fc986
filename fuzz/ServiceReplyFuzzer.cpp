// Arbitrary bytes as a reply of the service, read the way each client reads
// its reply: sign-in, user, version document, tags, daily photos, and the
// masked copy that goes to the log.
#include "FuzzSupport.h"

#include <AutoUpdate.h>
#include <DailyPhotoCheck.h>
#include <core/AppInfo.h>
#include <io/NetworkManager.h>
#include <io/ProtocolManager.h>
#include <platform/UpdateHandOver.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool isSecretKey(const QString &key)
{
    const QString lower = key.toLower();
    return lower.contains(QLatin1String("token")) || lower.contains(QLatin1String("password"))
        || lower.contains(QLatin1String("secret"));
}

// No secret value is left in the log copy.
void checkMasked(const QJsonValue &value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (isSecretKey(it.key()) && !it.value().isObject() && !it.value().isArray())
                FUZZ_CHECK(it.value().toString() == QLatin1String("********"));
            checkMasked(it.value());
        }
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (const QJsonValue &item : array)
            checkMasked(item);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QByteArray body = fuzz::bytes(data, size);
    const QVariantMap map = NetworkManager::jsonToMap(body);

    const QByteArray logged = ProtocolManager::maskSecrets(body);
    const QJsonDocument loggedDocument = QJsonDocument::fromJson(logged);
    checkMasked(loggedDocument.isArray() ? QJsonValue(loggedDocument.array()) : QJsonValue(loggedDocument.object()));

    // Sign-in and user replies.
    const QVariantMap user = map.value(QStringLiteral("user")).toMap();
    for (const char *key : { "email", "uuid", "account_url", "username", "name" })
        user.value(QLatin1String(key)).toString();
    map.value(QStringLiteral("token")).toString();
    map.value(QStringLiteral("message")).toString();

    // The version document: the installer is saved under the link's name in
    // the temporary folder, never anywhere else.
    const QString version = map.value(platform::updateVersionKey()).toString();
    for (int mode : { 1, 2 })
        AutoUpdate::isNewerVersion(version, AppInfo::version, mode);
    const QString installer = AutoUpdate::installerFileName(map.value(platform::updateLinkKey()).toString());
    FUZZ_CHECK(!installer.isEmpty() && !installer.contains(QLatin1Char('/')) && !installer.contains(QLatin1Char('\\'))
        && installer != QLatin1String(".") && installer != QLatin1String(".."));

    // Tags.
    const QVariantList tags = map.value(QStringLiteral("tags")).toList();
    for (const QVariant &tag : tags)
        tag.toMap().value(QStringLiteral("name")).toString();

    // Daily photos: the notice shows a short title and the thumbnail beside the photo.
    const QVariantList dailys = DailyPhotoCheck::parseDailys(body);
    for (const QVariant &daily : dailys) {
        const QVariantMap entry = daily.toMap();
        const QString title = DailyPhotoCheck::shortTitle(entry.value(QStringLiteral("title")).toString());
        FUZZ_CHECK(title.size() <= DailyPhotoCheck::kTitleLength);
        FUZZ_CHECK(title.isEmpty() || !title.back().isHighSurrogate());
        const QString thumbnail = DailyPhotoCheck::thumbnailAddress(entry.value(QStringLiteral("url")).toString());
        FUZZ_CHECK(thumbnail.isEmpty() || thumbnail.startsWith(QLatin1String("http:")));
    }
    return 0;
}
