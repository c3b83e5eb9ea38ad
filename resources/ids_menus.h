#pragma once
// Resource ids: menus.
