#pragma once

#include <QString>

#include "dispatch/CommandHandlerBase.h"

enum ETextOrigin { ORIGIN_K = 0, ORIGIN_Q = 1 };

// "getText": display texts by text code.
class GUIHandler : public CommandHandlerBase {
 public:
  GUIHandler();
  // The texts of the codes, joined by ';'.
  Reply answerTexts();
  // textCode not empty and an origin of K or Q.
  bool checkParameters() override;
  QString GetText(QString codes, ETextOrigin origin);
};
