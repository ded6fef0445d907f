#include "json_values.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace brenlow::python {
namespace {

// JSON does not tell 3 from 3.0; json.loads gives an int for what the core wrote as a whole number.
py::object numberOf(double number) {
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
    if (std::trunc(number) == number && std::fabs(number) < kExactIntegers)
        return py::int_(static_cast<long long>(number));
    return py::float_(number);
}

}  // namespace

py::object pythonOf(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Bool:
            return py::bool_(value.toBool());
        case QJsonValue::Double:
            return numberOf(value.toDouble());
        case QJsonValue::String:
            return py::str(value.toString().toStdString());
        case QJsonValue::Array: {
            py::list list;
            for (const QJsonValue& item : value.toArray()) list.append(pythonOf(item));
            return list;
        }
        case QJsonValue::Object: {
            py::dict dict;
            const QJsonObject object = value.toObject();
            for (auto item = object.begin(); item != object.end(); ++item)
                dict[py::str(item.key().toStdString())] = pythonOf(item.value());
            return dict;
        }
        default:
            return py::none();
    }
}

}  // namespace brenlow::python
