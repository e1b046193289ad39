#pragma once

#include <memory>

#include <QDateTime>
#include <QMetaType>
#include <QObject>

#include "GyroRawInfo.h"

// A trip record in the units the panels use. Fields are public and read
// directly; a record has no parent and no signals.
class GyroInfo : public QObject {
    Q_OBJECT

  public:
    GyroInfo() = default;

    // A new record converted from `raw` (borrowed); the caller owns it.
    static GyroInfo* from(GyroRawInfo* raw);

    // Decimal degrees from the stored ddmm.mmmm form, in single precision.
    static float convertRawLocation(float value);

    bool isLocationValid() const;

    QDateTime dateTime;  // local time; null for a default record
    char rawChars[3] = {0, 0, 0};
    float latitude = 0;   // decimal degrees, negative for 'S' in rawChars[1]
    float longitude = 0;  // decimal degrees, negative for 'W' in rawChars[2]
    float speed = 0;      // km/h
    float direction = 0;  // degrees, as stored
    qint16 gSensorX = 0;
    qint16 gSensorY = 0;
    qint16 gSensorZ = 0;
    bool locationValid = true;
};

// A record as it travels to the panels: shared and read-only. A record of a GyroInfoList holds
// the whole list.
using SharedGyroInfo = std::shared_ptr<const GyroInfo>;

Q_DECLARE_METATYPE(SharedGyroInfo)
