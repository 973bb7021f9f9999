#pragma once

// Keeps what is typed into password boxes off the accessibility bus. A stock
// QLineEdit reports every change of its text to accessibility tools in clear
// text (inserted, removed, old and new text), even in password mode, where
// its accessible value is already masked. Once installed, those events of any
// line edit that does not show its text reach the tools with the text masked
// as the box shows it; every other event goes on unchanged.
namespace SecretTextEvents {

// Installs the filter in front of whatever handles accessibility updates
// now; installing it again changes nothing.
void install();

} // namespace SecretTextEvents
