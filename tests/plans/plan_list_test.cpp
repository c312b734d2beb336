#include "plans/plan_list.h"
#include <gtest/gtest.h>
TEST(PlanList, Placeholder) { kestrel::PlanList l; EXPECT_TRUE(l.Empty()); }
