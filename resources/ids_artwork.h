#pragma once
// Resource ids: artwork.
