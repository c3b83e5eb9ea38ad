#pragma once
// Resource ids: dialogs.
