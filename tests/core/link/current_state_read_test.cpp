#include "link/current_state_read.h"
#include "link/scripted_link.h"

#include <gtest/gtest.h>

using namespace vorsan;

// Only a generation 4 request that could not be written has a message box of its own; every other
// failed poll shows in the status bar alone.
TEST(CurrentStateRead, FailedPollMessages) {
    struct Case {
        ControllerGeneration generation;
        LinkError error;
        const char* message;
    };
    const Case cases[] = {
        {ControllerGeneration::Gen4, LinkError::Write_Error, "Ошибка записи в порт"},
        {ControllerGeneration::Gen4, LinkError::Crc, ""},
        {ControllerGeneration::Gen4, LinkError::None, ""},
        {ControllerGeneration::Gen3, LinkError::Write_Error, ""},
        {ControllerGeneration::Gen3, LinkError::Read_Error1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(currentStateReadMessage(c.generation, c.error), c.message) << errorWord(c.error);
}

TEST(CurrentStateRead, RefusedWriteOfTheFirstBlockIsAWriteError) {
    ScriptedLink line;
    ASSERT_TRUE(line.open("scripted", 9600).ok());
    line.anyWrite().failWrite(3);
    const CurrentStateRead read = readCurrentState4(line, 1);
    EXPECT_EQ(read.error, LinkError::Write_Error);
    EXPECT_EQ(currentStateReadMessage(ControllerGeneration::Gen4, read.error), "Ошибка записи в порт");
    EXPECT_EQ(line.writes().size(), 1u); // nothing more is tried
}
