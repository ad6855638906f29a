#pragma once
// GoogleTest and QtTest, parsed once per test program beside the program's
// own precompiled headers.
#ifdef __cplusplus
#include <QTest>

#include <gtest/gtest.h>
#endif
