#pragma once

#include "ZELV10MFC.h"

class Prompter;
class QWidget;

// Logs on, asking the operator for the password while the server wants one:
// an embedded database whose user has a password, or a central server that
// asks for one. A wrong password is asked for again, with the server's
// reason; Cancel ends it with the last result. A password that works stays
// with the connection, so that later reconnects need not ask.
CZELV10RC ZelvLogonAsking(CZELV10MFC& connection, Prompter& prompter, QWidget* parent = nullptr);
