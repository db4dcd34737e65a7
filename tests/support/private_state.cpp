// Compiled into every test program: the journals of the runs it makes, and of the
// programs it starts, go to a state folder of its own, removed when it ends, never to the
// user's. A test that reads journals points the state folder at one of its own meanwhile.

#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"

namespace {

struct PrivateState {
    fixture::TempFolder folder;
    fixture::StateHome home{folder.path()};
};

const PrivateState privateState;

} // namespace
