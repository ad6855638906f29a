#pragma once
// The Qt and standard headers nearly every unit of the program includes,
// parsed once per library instead of once per unit (most of a unit's
// compile time). Only for C++; the library's C units get nothing from here.
#ifdef __cplusplus
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>
#endif
