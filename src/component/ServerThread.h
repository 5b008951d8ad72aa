#pragma once

#include <ace/Thread.h>

// The listener thread of a run of CQFTServer (arg): opens the configured port
// and starts the connection threads accepting on it, until the server's
// reactor loop is ended. Returns 0, or 1 when the port could not be opened.
ACE_THR_FUNC_RETURN serverSvc(void* arg);
