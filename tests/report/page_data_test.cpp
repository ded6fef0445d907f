#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "report/page_data.h"

namespace brenlow {
namespace {

// Stored text in the page's JSON cannot end its <script> element, open a comment that swallows the
// page, or end a line inside a script's string, and it reads back as it was.
TEST(PageDataTest, ScriptSafeJsonHidesWhatCouldEndTheScriptAndReadsBackUnchanged) {
    const std::string hostile =
        "</script><script>alert(1)</script> <!-- a & b \xe2\x80\xa8 c \xe2\x80\xa9 d \xe2\x80\x94";
    const QJsonObject object{{"name", QString::fromStdString(hostile)}, {"values", QJsonArray{1.5, -2}}};
    const std::string safe = scriptSafeJson(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
    EXPECT_EQ(safe.find_first_of("<>&"), std::string::npos) << safe;
    EXPECT_EQ(safe.find("\xe2\x80\xa8"), std::string::npos);
    EXPECT_EQ(safe.find("\xe2\x80\xa9"), std::string::npos);
    EXPECT_NE(safe.find("\xe2\x80\x94"), std::string::npos) << "other characters stay as they are";
    const QJsonObject read = QJsonDocument::fromJson(QByteArray::fromStdString(safe)).object();
    EXPECT_EQ(read["name"].toString().toStdString(), hostile);
    EXPECT_EQ(read["values"].toArray(), (QJsonArray{1.5, -2}));
}

}  // namespace
}  // namespace brenlow
