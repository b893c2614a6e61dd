#pragma once

// A request to stop from outside (SIGTERM at a session's end or from a service
// manager, SIGHUP when its terminal closes, SIGINT from Ctrl+C) ends the event
// loop in good order, so that what the user typed is saved on the way out,
// instead of killing the program where it stands.
namespace platform {

void quitOnTerminationRequest();

// Whether such a request came, for work that runs before the event loop or
// keeps it waiting (converting a library at the start), and so must look.
bool stopRequested();

}  // namespace platform
