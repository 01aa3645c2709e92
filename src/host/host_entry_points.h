// The 150 entry points of the Noravia host, in binding order, each with the
// type of its function pointer. The first is the version entry point, which
// the binding checks; the 22 entry points the plug-in calls carry their own
// prototypes, the others the generic HostFunction type.
//
// Usage: define X(name, type) and expand QUORVEL_HOST_ENTRY_POINTS(X), or
// its two parts: the version entry point and the 149 others.
#ifndef QUORVEL_HOST_HOST_ENTRY_POINTS_H_
#define QUORVEL_HOST_HOST_ENTRY_POINTS_H_

// clang-format off
#define QUORVEL_HOST_ENTRY_POINTS(X) \
  QUORVEL_HOST_VERSION_ENTRY_POINT(X) \
  QUORVEL_HOST_OTHER_ENTRY_POINTS(X)

#define QUORVEL_HOST_VERSION_ENTRY_POINT(X) \
  X(nvGetVersionOfNoravia, GetVersionOfNoraviaFn)

#define QUORVEL_HOST_OTHER_ENTRY_POINTS(X) \
  X(nvGetNoraviaPath, HostFunction) \
  X(nvGetPluginsPath, GetPluginsPathFn) \
  X(nvShowLogPane, ShowLogPaneFn) \
  X(nvShowLogTab, HostFunction) \
  X(nvLogText, LogTextFn) \
  X(nvMessageBox, MessageBoxFn) \
  X(nvYesNoMessageBox, HostFunction) \
  X(nvGetIntegerInput, HostFunction) \
  X(nvGetFloatInput, HostFunction) \
  X(nvGetTextInput, HostFunction) \
  X(nvGetOpenFileName, GetOpenFileNameFn) \
  X(nvGetSaveFileName, HostFunction) \
  X(nvUpdateActiveWindow, HostFunction) \
  X(nvShowBusyCursor, HostFunction) \
  X(nvStopBusyCursor, HostFunction) \
  X(nvGetNumberOfDocsInWorkspace, HostFunction) \
  X(nvGetDocumentType, GetDocumentTypeFn) \
  X(nvGetDocumentTypeName, HostFunction) \
  X(nvGetIDOfCurrentDocument, GetIDOfCurrentDocumentFn) \
  X(nvSetAsCurrentDocument, HostFunction) \
  X(nvCalculateIAMatrix, HostFunction) \
  X(nvGetTRFParametersFromVolumeToolsDlg, HostFunction) \
  X(nvGetHeaderOfCurrentFMR, HostFunction) \
  X(nvSetHeaderOfCurrentFMR, HostFunction) \
  X(nvGetSTCFloatDataOfCurrentFMR, HostFunction) \
  X(nvGetSTCIntDataOfCurrentFMR, HostFunction) \
  X(nvGetSTCDataOfCurrentFMR, HostFunction) \
  X(nvSaveFMR, HostFunction) \
  X(nvSaveFMRAndSTC, HostFunction) \
  X(nvGetScannerPositionHeaderOfCurrentFMR, HostFunction) \
  X(nvSetScannerPositionHeaderOfCurrentFMR, HostFunction) \
  X(nvGetHeaderOfCurrentDMR, HostFunction) \
  X(nvSetHeaderOfCurrentDMR, HostFunction) \
  X(nvGetDWIFloatDataOfCurrentDMR, HostFunction) \
  X(nvGetDWIIntDataOfCurrentDMR, HostFunction) \
  X(nvGetDWIDataOfCurrentDMR, HostFunction) \
  X(nvConvertDWIFormatOfCurrentDMR, HostFunction) \
  X(nvSaveDMR, HostFunction) \
  X(nvSaveDMRAndDWI, HostFunction) \
  X(nvGetCurrentVMR, GetCurrentVMRFn) \
  X(nvGetMainHeaderOfCurrentVMR, HostFunction) \
  X(nvSetMainHeaderOfCurrentVMR, HostFunction) \
  X(nvGetScannerPositionHeaderOfCurrentVMR, HostFunction) \
  X(nvSetScannerPositionHeaderOfCurrentVMR, HostFunction) \
  X(nvGetPastTransformationsHeaderOfCurrentVMR, HostFunction) \
  X(nvSetPastTransformationsHeaderOfCurrentVMR, HostFunction) \
  X(nvReframeCurrentVMR, HostFunction) \
  X(nvGetCrossPositionOfCurrentVMR, HostFunction) \
  X(nvGetNRVMPsOfCurrentVMR, GetNRVMPsOfCurrentVMRFn) \
  X(nvGetNRVMPOfCurrentVMR, GetNRVMPOfCurrentVMRFn) \
  X(nvSetNRVMPParametersOfCurrentVMR, SetNRVMPParametersOfCurrentVMRFn) \
  X(nvLoadNRVMPsToCurrentVMR, HostFunction) \
  X(nvSaveNRVMPsOfCurrentVMR, HostFunction) \
  X(nvCreateNRVMPsForCurrentVMR, CreateNRVMPsForCurrentVMRFn) \
  X(nvDeleteNRVMPsOfCurrentVMR, DeleteNRVMPsOfCurrentVMRFn) \
  X(nvSetNRVMPsParamsDisplayRange, HostFunction) \
  X(nvGetARVMPsOfCurrentVMR, HostFunction) \
  X(nvGetARVMPOfCurrentVMR, HostFunction) \
  X(nvSetARVMPParametersOfCurrentVMR, HostFunction) \
  X(nvLoadARVMPsToCurrentVMR, HostFunction) \
  X(nvSaveARVMPsOfCurrentVMR, HostFunction) \
  X(nvCreateARVMPsForCurrentVMR, HostFunction) \
  X(nvDeleteARVMPsOfCurrentVMR, HostFunction) \
  X(nvLinkVTCToCurrentVMR, LinkVTCToCurrentVMRFn) \
  X(nvCreateVTCForCurrentVMR, HostFunction) \
  X(nvGetHeaderOfVTCOfCurrentVMR, GetHeaderOfVTCOfCurrentVMRFn) \
  X(nvSetHeaderOfVTCOfCurrentVMR, HostFunction) \
  X(nvGetVTCOfCurrentVMR, HostFunction) \
  X(nvGetVTCFloatDataOfCurrentVMR, GetVTCFloatDataOfCurrentVMRFn) \
  X(nvGetVTCIntDataOfCurrentVMR, GetVTCIntDataOfCurrentVMRFn) \
  X(nvSetVTCParametersOfCurrentVMR, HostFunction) \
  X(nvSaveVTCOfCurrentVMR, HostFunction) \
  X(nvClearMultiVTCAnalysis, HostFunction) \
  X(nvAddVTCRefForMultiVTCAnalysis, HostFunction) \
  X(nvGetVoxelTimeCourseOfVTC, HostFunction) \
  X(nvGetVoxelTimeCourseOfVTCs, HostFunction) \
  X(nvGetVoxelCoordsTimeCourseOfVTC, HostFunction) \
  X(nvGetVoxelCoordsTimeCourseOfVTCs, HostFunction) \
  X(nvGetGLMOfCurrentVMR, HostFunction) \
  X(nvLoadMaskToCurrentVMR, HostFunction) \
  X(nvGetMaskOfCurrentVMR, HostFunction) \
  X(nvGetScene, HostFunction) \
  X(nvGetCurrentSRF, HostFunction) \
  X(nvReleaseSRFAccess, HostFunction) \
  X(nvSaveCurrentSRF, HostFunction) \
  X(nvSetCurrentSRF, HostFunction) \
  X(nvLinkMTCToCurrentSRF, HostFunction) \
  X(nvGetMTCOfCurrentSRF, HostFunction) \
  X(nvSetMTCParametersOfCurrentSRF, HostFunction) \
  X(nvCreateMTCForCurrentSRF, HostFunction) \
  X(nvSaveMTCOfCurrentSRF, HostFunction) \
  X(nvClearMultiMTCRefsOfCurrentSRF, HostFunction) \
  X(nvAddMultiMTCRefToCurrentSRF, HostFunction) \
  X(nvGetVertexTimeCourseOfMTC, HostFunction) \
  X(nvGetVertexTimeCourseOfAllMTCs, HostFunction) \
  X(nvGetSMPsOfCurrentSRF, HostFunction) \
  X(nvGetSMPOfCurrentSRF, HostFunction) \
  X(nvSetSMPParametersOfCurrentSRF, HostFunction) \
  X(nvLoadSMPsToCurrentSRF, HostFunction) \
  X(nvSaveSMPsOfCurrentSRF, HostFunction) \
  X(nvCreateSMPForCurrentSRF, HostFunction) \
  X(nvDeleteSMPsOfCurrentSRF, HostFunction) \
  X(nvOverlaySMPsOnSRF, HostFunction) \
  X(nvGetSSMOfCurrentSRF, HostFunction) \
  X(nvLoadSSMToCurrentSRF, HostFunction) \
  X(nvSaveSSMOfCurrentSRF, HostFunction) \
  X(nvCreateSSMForCurrentSRF, HostFunction) \
  X(nvDeleteSSMOfCurrentSRF, HostFunction) \
  X(nvClearProtocol, HostFunction) \
  X(nvLoadProtocol, HostFunction) \
  X(nvSaveProtocol, HostFunction) \
  X(nvGetProtocol, HostFunction) \
  X(nvSetProtocol, HostFunction) \
  X(nvGetProtocolCondition, HostFunction) \
  X(nvAddProtocolCondition, HostFunction) \
  X(nvAddProtocolConditionInterval, HostFunction) \
  X(nvClearDesignMatrix, HostFunction) \
  X(nvAddPredictor, HostFunction) \
  X(nvSetPredictorValuesFromCondition, HostFunction) \
  X(nvSetPredictorValuesFromConditionName, HostFunction) \
  X(nvApplyTwoGammaHRFToPredictor, HostFunction) \
  X(nvApplyTwoGammaHRFToPredictorWithName, HostFunction) \
  X(nvApplyBoyntonHRFToPredictor, HostFunction) \
  X(nvApplyBoyntonHRFToPredictorWithName, HostFunction) \
  X(nvGetPredictor, HostFunction) \
  X(nvGetPredictorByName, HostFunction) \
  X(nvLoadSingleStudyGLMDesignMatrix, HostFunction) \
  X(nvSaveSingleStudyGLMDesignMatrix, HostFunction) \
  X(nvLoadVOIs, HostFunction) \
  X(nvSaveVOIs, HostFunction) \
  X(nvGetVOIs, HostFunction) \
  X(nvGetVOI, HostFunction) \
  X(nvLoadPOIs, HostFunction) \
  X(nvSavePOIs, HostFunction) \
  X(nvGetPOIs, HostFunction) \
  X(nvGetPOI, HostFunction) \
  X(nvGetStringParameter, GetStringParameterFn) \
  X(nvGetIntParameter, GetIntParameterFn) \
  X(nvGetFloatParameter, GetFloatParameterFn) \
  X(nvSetStringParameter, SetStringParameterFn) \
  X(nvSetIntParameter, HostFunction) \
  X(nvSetFloatParameter, HostFunction) \
  X(nvGetDlgStringParameter, HostFunction) \
  X(nvGetDlgIntegerParameter, HostFunction) \
  X(nvGetDlgFloatParameter, HostFunction) \
  X(nvSetDlgStringOutputParameter, HostFunction) \
  X(nvSetDlgIntegerOutputParameter, HostFunction) \
  X(nvSetDlgFloatOutputParameter, HostFunction) \
  X(nvLaunchICADialog, HostFunction)
// clang-format on

#endif  // QUORVEL_HOST_HOST_ENTRY_POINTS_H_
