#include "model/request_set.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/appointment_request.h"

namespace {

// Through many growths and a clearing, the set holds exactly what was put in, each once.
TEST(RequestSet, HoldsEachRequestOnceThroughGrowthAndClearing) {
    std::vector<AppointmentRequest> requests(3000);
    RequestSet set;
    EXPECT_FALSE(set.Contains(&requests[0]));
    EXPECT_FALSE(set.Insert(nullptr));
    EXPECT_FALSE(set.Contains(nullptr));
    for (size_t i = 0; i < requests.size(); i += 2) {
        EXPECT_TRUE(set.Insert(&requests[i]));
    }
    for (size_t i = 0; i < requests.size(); i += 4) {
        EXPECT_FALSE(set.Insert(&requests[i])) << "put in twice";
    }
    EXPECT_EQ(set.Count(), requests.size() / 2);
    for (size_t i = 0; i < requests.size(); ++i) {
        ASSERT_EQ(set.Contains(&requests[i]), i % 2 == 0) << i;
    }
    EXPECT_FALSE(set.Contains(nullptr));
    set.Clear();
    EXPECT_EQ(set.Count(), 0u);
    for (const AppointmentRequest& request : requests) {
        ASSERT_FALSE(set.Contains(&request));
    }
    EXPECT_TRUE(set.Insert(&requests[1]));
    EXPECT_TRUE(set.Contains(&requests[1]));
    EXPECT_EQ(set.Count(), 1u);
}

}  // namespace
