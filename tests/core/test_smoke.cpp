#include <gtest/gtest.h>

#include "model/measurement.h"

TEST(Model, EmptyRecordIsEmpty) { EXPECT_TRUE(korvala::Measurement{}.isEmpty()); }
