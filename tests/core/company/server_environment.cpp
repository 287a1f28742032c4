// The program's one private server, for every test file of this folder.
#include "company_test_util.h"

namespace {
const ::testing::Environment* const kServer =
    ::testing::AddGlobalTestEnvironment(new vorsan::company::test::ServerEnvironment);
}
