// Every interface and class identifier the library defines, against its written form.

#include "vbApp.h"
#include "vbBaseItf.h"
#include "vbColor.h"
#include "vbCompressLZSS.h"
#include "vbDnCenter.h"
#include "vbDnItf.h"
#include "vbDnPlugin.h"
#include "vbEngine.h"
#include "vbExceptionEngine.h"
#include "vbFileStream.h"
#include "vbHeap.h"
#include "vbHotPlug.h"
#include "vbHotPlugItf.h"
#include "vbHotPlugin.h"
#include "vbIcon.h"
#include "vbMemoryStream.h"
#include "vbMsg.h"
#include "vbObjects.h"
#include "vbRegEngine.h"
#include "vbService.h"
#include "vbSharedMem.h"
#include "vbSharedQueue.h"
#include "vbSocketItf.h"
#include "vbStream.h"
#include "vbTempStream.h"
#include "vbThread.h"
#include "vbThreadItf.h"
#include "vbVantMsgEngine.h"
#include "vbWinClass.h"
#include "vbXml.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(VantBaseIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(IID_IvbCompressNotif, "{21355534-C76D-4A63-A366-72BDC669523A}"),
        GUID_ROW(IID_IvbCompressPlug, "{F786CCBB-59DE-46A9-BA9C-AAB00C225E67}"),
        GUID_ROW(IID_IvbCompressProgress, "{19DA7A35-EC6B-43F8-99E2-9B5722A8F47C}"),
        GUID_ROW(IID_IvbCompressPull, "{7EEF3E5B-5B3E-4D50-9FCF-9DE050EF688D}"),
        GUID_ROW(IID_IvbCompressPush, "{7828F262-E188-4D79-9F98-0813775217AB}"),
        GUID_ROW(IID_IvbDecompressNotif, "{42391610-1E85-463E-AA5F-B40C2F8EE128}"),
        GUID_ROW(IID_IvbDecompressProgress, "{44E8F821-E7A6-4CFD-A570-3F2B85A70B1A}"),
        GUID_ROW(IID_IvbDecompressPull, "{84A2CC4D-6420-4994-AEF2-44C4ECDCEA1C}"),
        GUID_ROW(IID_IvbDecompressPush, "{703390AA-1CA5-4B57-BC06-9D88E45B1A42}"),
        GUID_ROW(IID_IvbInputStream, "{288BF3D5-F1C2-4CDD-BCEB-4B9C38E3EA52}"),
        GUID_ROW(IID_IvbLongSeekStream, "{8BA10090-DA44-463E-A45C-E38937EEEF8B}"),
        GUID_ROW(IID_IvbOutputStream, "{D666E913-454C-4F41-91A8-955AA69BD2BC}"),
        GUID_ROW(IID_IvbSeekStream, "{E14F5FB6-3BA0-450D-B1EB-46FC1B705C75}"),
        GUID_ROW(IID_IvbStreamMode, "{10EB24BF-47A0-4963-A38F-DE4C253905E9}"),
        GUID_ROW(IID_vbCompressPlugType, "{212D3C18-35FF-492A-979E-54A3B2A494EF}"),
        GUID_ROW(IID_vbDnBuiltinPlugin, "{DF99DB2C-4FC3-471D-ACD1-4B95D11C6EE7}"),
        GUID_ROW(IID_vbDnCenter, "{74C1C7F0-EE3E-4695-AAA4-2408DE7006DA}"),
        GUID_ROW(IID_IvbDnObject, "{D89139A9-E23F-43D3-BD6C-B30434C6BC74}"),
        GUID_ROW(IID_IvbDnPlugProto, "{6595571A-398C-4FF5-BEF5-975584C886B7}"),
        GUID_ROW(IID_sIvbDnCenter, "{5A122C24-40A9-404E-89F8-CD5C8A856269}"),
        GUID_ROW(IID_sIvbDnInfo, "{A64F102D-7D40-43E2-A48D-2ABBF8544F3A}"),
        GUID_ROW(IID_sIvbDnSession, "{3007C69E-B545-4A83-A10A-DD00DCB253D2}"),
        GUID_ROW(IID_vbApp, "{5AD096E2-3538-4D25-AC9D-4D5D67B096F8}"),
        GUID_ROW(IID_vbColorEngine, "{953877A7-3A35-4ADE-8460-D07E3116B589}"),
        GUID_ROW(IID_vbColorType, "{1D691F3A-B14B-410B-9536-3946B09300F1}"),
        GUID_ROW(IID_vbEngine, "{5B6F3237-5A39-46E5-A8A7-A88CA0F9FE0F}"),
        GUID_ROW(IID_sIvbDlgCtx, "{74528C19-47F5-4124-B4DC-50CC74E7C9A9}"),
        GUID_ROW(IID_sIvbExceptionCtx, "{7ED22EEB-7ECB-4288-B225-53105AD52C5F}"),
        GUID_ROW(IID_vbExceptionEngine, "{1CE27827-63AB-4E45-ADA6-2009C0AE4B38}"),
        GUID_ROW(IID_vbExtraDataMsg, "{5C0027FE-A73C-4FCA-A8B2-5795B20CFB64}"),
        GUID_ROW(IID_vbExtraMsg, "{3D67C01F-CCCD-450A-AB54-233D4C56C58B}"),
        GUID_ROW(IID_vbMsg, "{2B1BF2EF-D4C1-44DA-A4FE-FE41D4E9D33D}"),
        GUID_ROW(IID_vbMsgEngine, "{FCFC22D9-3ABF-44C2-A70E-9F58453B3FEB}"),
        GUID_ROW(IID_vbHotPlugCenter, "{E27BD244-DD27-422E-AFD3-188182A41222}"),
        GUID_ROW(IID_IvbHotPlugCb, "{E349E230-0DE6-4EA3-9200-F57EE493BD5D}"),
        GUID_ROW(IID_IvbHotPlugTypeCb, "{7C73CE65-A624-48A9-BE9C-BB47C51DAFA3}"),
        GUID_ROW(IID_IvbHotPlugger, "{12F25D6E-F589-46DD-9AC6-AC50CB0B1CBE}"),
        GUID_ROW(IID_IvbHotPlugin, "{29E92B51-AE22-41A0-A7F9-2094093F13DD}"),
        GUID_ROW(IID_sIvbHotPlugCb, "{8E27A766-5F7D-4E42-8CAA-DB5C2932919C}"),
        GUID_ROW(IID_sIvbHotPlugType, "{665207F3-B65A-45D4-B88E-CACF028D50F1}"),
        GUID_ROW(IID_sIvbHotPlugTypeCb, "{A5A024C0-C8AA-484E-AC6F-3F2AF4682D7F}"),
        GUID_ROW(IID_sIvbPlugPtr, "{8E0D3622-4326-4EAE-A3B1-0303262E36B2}"),
        GUID_ROW(IID_vbHotPlugCbObject, "{E96827BB-3B13-41B4-9796-A4E0065CD936}"),
        GUID_ROW(IID_vbHotPlugType, "{72B5D83C-ED16-43E7-BDA0-915460D80CB1}"),
        GUID_ROW(IID_vbHotPlugTypePlugin, "{2B2174C2-98CB-46CA-8122-D377BA71B8BB}"),
        GUID_ROW(CLSID_vbIconObject, "{F59CE6ED-2AF6-4271-96F9-D5355BE81885}"),
        GUID_ROW(GUID_vbSharedHeapFile, "{A63F4759-0D39-4E80-A6C9-EE5F8B62F20E}"),
        GUID_ROW(IID_vbSharedHeap, "{6A9968D6-8FEC-4AC3-8A44-10FE162FBBA2}"),
        GUID_ROW(GUID_vbSharedQueueFile, "{38EA03EF-3783-4FF1-9099-1C6139D3217C}"),
        GUID_ROW(IID_vbSharedQueue, "{CCAB7B8A-57C8-4A42-B24D-D17AD813773C}"),
        GUID_ROW(IID_vbVantMsgEngine, "{8BAD78E3-C27E-4A73-B4BA-86E6CA2F255E}"),
        GUID_ROW(IID_vbWinClass, "{3E606124-0170-49B9-BE1A-95640347EFF4}"),
        GUID_ROW(IID_sIvbHeap, "{FFE49FAC-A819-41E8-BEAA-3E605B6771E0}"),
        GUID_ROW(IID_sIvbBase, "{8B1A16F9-0C3A-403D-922F-896790603E60}"),
        GUID_ROW(IID_sIvbLock, "{B8609710-EC74-4810-9691-DF40D176943B}"),
        GUID_ROW(IID_IvbObject, "{A1D4A5A5-CCC7-4812-910A-B1BB7BEC80F8}"),
        GUID_ROW(IID_sIvbPtr, "{F0003C25-647C-4CE3-BA0C-9862683B6397}"),
        GUID_ROW(IID_vbRegEngine, "{11CBDDB3-98E3-4931-B3D3-572420E72913}"),
        GUID_ROW(IID_vbRegPath, "{D40DFD5E-A423-40DE-9D2E-AFAFCC8D293A}"),
        GUID_ROW(IID_IvbSocketPlug, "{AFF88638-14EE-47A7-B8B0-A7C58596AAE4}"),
        GUID_ROW(IID_vbFileStream, "{7F1C23B5-8273-4BE3-A6A1-BA7AF6CB1876}"),
        GUID_ROW(IID_vbMemoryStream, "{5BEB7D6B-8935-414D-A34E-3FBC3CEF23A5}"),
        GUID_ROW(IID_vbStream, "{5A39A972-2BB9-4A2A-ADC4-0AFCA486E530}"),
        GUID_ROW(IID_vbTempStream, "{AB11EC6A-B798-467D-A58B-29CBBC576840}"),
        GUID_ROW(IID_IvbXmlTarget, "{24BE6F7E-8A9C-4B8C-8ECC-D06045DA573C}"),
        GUID_ROW(IID_vbService, "{ED34120F-92F0-46C4-BDDD-F3700F04640B}"),
        GUID_ROW(IID_vbThreadCenter, "{8C9BB171-A9EC-44B0-8A81-29FC681DC080}"),
        GUID_ROW(IID_sIvbThread, "{4721E866-2F5E-487F-AA2B-3EF54D9D6C18}"),
        GUID_ROW(IID_sIvbThreadBaseCb, "{F8595FAE-C7B8-41D4-AC9F-73C14A77089D}"),
        GUID_ROW(IID_sIvbThreadCb, "{B835C1E5-22DD-4442-931C-59AFE7A88890}"),
        GUID_ROW(IID_sIvbThreadMsgCb, "{7C37A9B4-C275-4693-9140-C85CE0A41B64}"),
    });
}

} // namespace
