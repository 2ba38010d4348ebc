#pragma once
// A hidden helper for screenshots and manual checks: with HARVEX_DEBUG_FILL set
// the window starts with ten items in every state (one shown mid-extraction), and
// with HARVEX_DEBUG_MENU set ("menu", "output", "preset" or "run") the item menu
// (and that submenu) opens by itself. Not used otherwise.

class CQuarnelDlg;

void ApplyDebugFill(CQuarnelDlg& dlg);
