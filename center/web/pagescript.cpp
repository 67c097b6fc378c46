#include "center/web/pagescript.h"

#include <QVariantMap>

#include "text/codec.h"

namespace zmsg {

namespace {

bool IsIdentifier(const std::string& name) {
    if (name.empty())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
        if (!letter && !(i > 0 && c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

} // namespace

QString PageFunctionScript(const std::string& name) {
    if (!IsIdentifier(name))
        return QStringLiteral("({k: 0})");
    const QString f = QString::fromLatin1(name);
    // typeof on an undeclared name does not throw, so a page without the function is told apart
    // from one whose function fails.
    return QStringLiteral("(function () { try { if (typeof ") % f %
           QStringLiteral(" !== 'function') return {k: 0}; var v = ") % f %
           QStringLiteral("(''); return {k: 1, v: typeof v === 'string' ? v : ''}; } catch (e) "
                          "{ return {k: 2, e: String(e)}; } })()");
}

void ReadPageFunctionResult(const QVariant& result, PageValues* out) {
    if (result.typeId() != QMetaType::QVariantMap) {
        out->status = PageCallStatus::NoPage;
        return;
    }
    const QVariantMap map = result.toMap();
    switch (map.value(QStringLiteral("k")).toInt()) {
    case 0:
        out->values.emplace_back();
        return;
    case 1: {
        std::vector<std::string> bad;
        auto cp949 = ToCp949(map.value(QStringLiteral("v")).toString(), &bad);
        if (!cp949) {
            out->status = PageCallStatus::Unencodable;
            out->badChars = std::move(bad);
            return;
        }
        out->values.push_back(std::move(*cp949));
        return;
    }
    default:
        out->status = PageCallStatus::ScriptError;
        out->error = map.value(QStringLiteral("e")).toString().toStdString();
        return;
    }
}

} // namespace zmsg
