#include "support/dataset_pictures.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>

#include "support/test_support.h"

namespace brenlow::testing {

QJsonObject withoutTimes(const std::string& line) {
    QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    object.remove("seconds");
    for (const char* timed : {"points", "aggregate"}) {
        QJsonArray entries;
        for (const QJsonValue& entry : object[timed].toArray()) {
            QJsonObject untimed = entry.toObject();
            untimed.remove("timing");
            entries.append(untimed);
        }
        object[timed] = entries;
    }
    // The runs that timed the items, when and under what load, differ from run to run as the times do.
    QJsonObject parameters = object["parameters"].toObject();
    QJsonObject timing = parameters["timing"].toObject();
    for (const char* key : {"conditions", "shared_cores", "warnings"}) timing.remove(key);
    parameters["timing"] = timing;
    object["parameters"] = parameters;
    return object;
}

std::vector<std::string> makeSmallDataSet(const std::string& folder) {
    struct Crop {
        std::string source;
        QRect area;
        std::string name;
    };
    const std::vector<Crop> crops{{samplePath("astronaut.bmp"), {0, 0, 256, 256}, "a_astronaut.png"},
                                  {samplePath("astronaut.bmp"), {100, 200, 200, 160}, "b_astronaut.bmp"},
                                  {testDataPath("chelsea.bmp"), {0, 0, 224, 192}, "c_chelsea.png"},
                                  {testDataPath("coffee.bmp"), {50, 50, 160, 200}, "d_coffee.ppm"},
                                  {testDataPath("chelsea.bmp"), {200, 100, 192, 180}, "e_chelsea.bmp"}};
    std::vector<std::string> paths;
    for (const Crop& crop : crops) {
        const QImage picture =
            QImage(QString::fromStdString(crop.source)).copy(crop.area).convertToFormat(QImage::Format_RGB888);
        const std::string path = folder + "/" + crop.name;
        EXPECT_TRUE(picture.save(QString::fromStdString(path))) << path;
        paths.push_back(path);
    }
    return paths;
}

}  // namespace brenlow::testing
