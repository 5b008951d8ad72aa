#pragma once

class ConnectionRegistry;
class RequestRouter;

// What a connection is given by the server that accepted it; each outlives
// every connection.
struct ConnectionContext {
  const RequestRouter* router = nullptr;
  // Null when the connection is not one of a server's: it is served alone.
  ConnectionRegistry* registry = nullptr;
  // The server's thread group, which connection threads join.
  int threadGroupId = -1;
};
