// Resource ids shared by orbitel.rc and the code.
#pragma once

#define IDI_ORBITEL 1
