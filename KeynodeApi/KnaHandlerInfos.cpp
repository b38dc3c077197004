#include "KnaHandlerInfo.h"

// The endpoint table of the API. Each descriptor registers itself when the library loads.

namespace KeynodeApi {

const KnaHandlerInfo KnaInfoApi_Handler_Info_GET(11001, "/info/api", KnaWebMethod::GET);
const KnaHandlerInfo KnaKeynodes_Handler_Info_GET(11002, "/keynodes", KnaWebMethod::GET);
const KnaHandlerInfo EventWebHook_Handler_Info_GET(11020, "/events/webhook", KnaWebMethod::GET);
const KnaHandlerInfo EventWebHook_Handler_Info_POST(11021, "/events/webhook", KnaWebMethod::POST);
const KnaHandlerInfo EventWebHook_Handler_Info_DELETE(11022, "/events/webhook", KnaWebMethod::DELETE);
const KnaHandlerInfo KnaEventFilter_Handler_Info_POST(11025, "/events/filter", KnaWebMethod::POST);
const KnaHandlerInfo EventWebHookTest_Handler_Info_POST(11029, "/events/webhook/test", KnaWebMethod::POST);
const KnaHandlerInfo AccessGroup_Handler_Info_DELETE(11032, "/access/accessGroups", KnaWebMethod::DELETE);
const KnaHandlerInfo AccessGroup_Handler_Info_GET(11033, "/access/accessGroups", KnaWebMethod::GET);
const KnaHandlerInfo AccessGroup_Handler_Info_POST(11034, "/access/accessGroups", KnaWebMethod::POST);
const KnaHandlerInfo AccessGroup_Handler_Info_PUT(11035, "/access/accessGroups", KnaWebMethod::PUT);
const KnaHandlerInfo Card_Handler_Info_GET(11036, "/access/cards", KnaWebMethod::GET);
const KnaHandlerInfo Card_Handler_Info_POST(11037, "/access/cards", KnaWebMethod::POST);
const KnaHandlerInfo Card_Handler_Info_PUT(11038, "/access/cards", KnaWebMethod::PUT);
const KnaHandlerInfo Card_Handler_Info_DELETE(11039, "/access/cards", KnaWebMethod::DELETE);
const KnaHandlerInfo CardHolder_Handler_Info_GET(11040, "/access/cardHolders", KnaWebMethod::GET);
const KnaHandlerInfo CardHolder_Handler_Info_POST(11041, "/access/cardHolders", KnaWebMethod::POST);
const KnaHandlerInfo CardHolder_Handler_Info_PUT(11042, "/access/cardHolders", KnaWebMethod::PUT);
const KnaHandlerInfo CardHolder_Handler_Info_DELETE(11043, "/access/cardHolders", KnaWebMethod::DELETE);
const KnaHandlerInfo KnaCardFilter_Handler_Info_POST(11044, "/access/cards/filter", KnaWebMethod::POST);
const KnaHandlerInfo KnaCardHolderFilter_Handler_Info_POST(11048, "/access/cardHolders/filter",
                                                           KnaWebMethod::POST);
const KnaHandlerInfo DoorFilter_Handler_Info_POST(11049, "/config/doors/filter", KnaWebMethod::POST);
const KnaHandlerInfo Management_GetDoorStatus_Handler_Info_POST(11050, "/management/doors/status",
                                                                KnaWebMethod::POST);
const KnaHandlerInfo Management_Door_Handler_Info_POST(11051, "/management/doors", KnaWebMethod::POST);
const KnaHandlerInfo Management_SimulateCardRead_Handler_Info_POST(11052, "/management/simulatecardread",
                                                                   KnaWebMethod::POST);
const KnaHandlerInfo WeekProgram_Handler_Info_GET(11055, "/config/weekprograms", KnaWebMethod::GET);
const KnaHandlerInfo WeekProgram_Handler_Info_POST(11056, "/config/weekprograms", KnaWebMethod::POST);
const KnaHandlerInfo WeekProgram_Handler_Info_PUT(11057, "/config/weekprograms", KnaWebMethod::PUT);
const KnaHandlerInfo WeekProgram_Handler_Info_DELETE(11058, "/config/weekprograms", KnaWebMethod::DELETE);
const KnaHandlerInfo Holiday_Handler_Info_GET(11059, "/config/holidays", KnaWebMethod::GET);
const KnaHandlerInfo Holiday_Handler_Info_POST(11060, "/config/holidays", KnaWebMethod::POST);
const KnaHandlerInfo Holiday_Handler_Info_PUT(11061, "/config/holidays", KnaWebMethod::PUT);
const KnaHandlerInfo Holiday_Handler_Info_DELETE(11062, "/config/holidays", KnaWebMethod::DELETE);

} // namespace KeynodeApi
