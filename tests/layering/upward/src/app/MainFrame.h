// Fixture for the layering check: the header the engine must not include.
#pragma once
