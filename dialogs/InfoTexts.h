#pragma once
// The texts of the help window: the help (built from the job list's own result texts)
// and the changelog. Every line ends with "\r\n".

#include <string>

namespace InfoTexts {

std::string HelpText();
std::string Changelog();

}  // namespace InfoTexts
