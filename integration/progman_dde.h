// The Program Manager DDE client: a hidden window of the program's class "DDEClient" holds a
// conversation with the DDE server of service and topic "PROGMAN" and sends it the commands
// that create the product's group, add its program item and show the group.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Registers the class "DDEClient" (one window long: the server of the conversation). Nonzero
// when it was registered, 0 on failure.
int RegisterDdeClientClass();
// 1 when the class was registered and is gone.
int UnregisterDdeClientClass();

// Sends "[CreateGroup(group)]", "[AddItem(command_line,title)]" and "[ShowGroup(group,7)]",
// with Program Manager restored and disabled meanwhile; each refused command is logged and the
// rest are still sent. 1 when all three were accepted.
int AddProgmanItem(const char* group_name, const char* item_title, const char* command_line);

// Has the client window send command to its server and wait for the answer: 1 when the server
// accepted it, 0 when it refused it, did not answer, or there is no conversation.
int DdeExecute(PlatWindow client, const char* command);

// The procedure of the client window.
intptr_t DdeClientWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);
