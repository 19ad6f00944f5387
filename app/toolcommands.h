// The menu tools of the window procedure that live with the training and
// settings code: the settings dialog (1006), the Koch copy dialog (1051),
// the Koch audio file (1053) and the CW audio file (1054). hwnd is the main
// window's HWND.
#pragma once

// Shows the settings dialog; returns its result (1024 for OK, which also
// rebuilds the main window object through RebuildMainWindow).
int ShowSettingsDialog(void* hwnd);
// Runs the Koch copy dialog (the caller has checked the character list).
void ShowKochDialog(void* hwnd);
// Writes a Koch group text as a WAV file (the caller has checked the list).
void MakeKochWaveFile(void* hwnd);
// Asks for a line of text and writes it as a WAV file.
void MakeCwWaveFile(void* hwnd);
