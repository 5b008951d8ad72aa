#pragma once

#include <QString>

// What the host asks of the FT server, on the component and on its proxy alike.
class IQFTServer {
 public:
  virtual void run() = 0;
  virtual bool configure(const QString& ecuName) = 0;
  virtual void stop() = 0;

 protected:
  ~IQFTServer() = default;
};
