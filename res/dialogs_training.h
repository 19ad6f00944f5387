// Resource ids of the training and settings dialogs.
#pragma once
