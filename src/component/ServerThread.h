#pragma once

#include <ace/Thread.h>

// The listener thread of a run of CQFTServer (arg): accepts connections on the
// configured port until the server's reactor loop is ended. Returns 0, or 1
// when the port could not be opened.
ACE_THR_FUNC_RETURN serverSvc(void* arg);
