// Quorvel 1.2: the plug-in's dialog.
//
// The host runs this script to build the dialog. The dialog keeps the list
// of VTC files and the analysis settings; each button stores a command in
// the "Command" parameter and hands control to the plug-in.
//
// The statements in initSettings() are rewritten by the plug-in after every
// completed analysis, so that the dialog opens with the settings last used.
// Keep each of them on a line of its own, in the form
// "dlg.<group>.<control>.checked = <0 or 1>;" or
// "dlg.parameters.<control>.value = <number>;".

var dlg = {
    title: "Quorvel 1.2 - data quality",
    width: 460,
    height: 560,

    fileList: { label: "VTC files (none: the VTC linked to the VMR)", text: "" },

    options: {
        label: "Options",
        delete_other_vmps: { label: "Delete present VMPs", checked: 0 },
        add_vtc_name: { label: "Add VTC name to VMP names", checked: 1 }
    },

    maps: {
        label: "Maps",
        create_TSNR_map: { label: "Create TSNR map", checked: 1 },
        create_lagged_autocor_map: { label: "Create 1+2 lagged autocorrelation map", checked: 1 },
        create_outlier_map: { label: "Create outlier (max stddev) map", checked: 1 }
    },

    parameters: {
        label: "Thresholds",
        max_deviation: { label: "Maximum deviation (stddev)", value: 4, min: 0, max: 100, step: 0.5 },
        spike_def: { label: "Spike definition (stddev)", value: 3, min: 0, max: 100, step: 0.5 }
    },

    temporal: {
        label: "Temporal outliers",
        create_temporal_outlier_logtab: { label: "Write temporal outliers to the log tab", checked: 1 },
        create_temporal_outlier_file: { label: "Write temporal outliers to a CSV file", checked: 1 }
    },

    buttons: {
        add_file: { label: "Add VTC...", onClick: onAddFile },
        add_mdm: { label: "Add MDM...", onClick: onAddMDM },
        start: { label: "Start", onClick: onStart }
    }
};

// The settings the dialog opens with (saved by the plug-in).
function initSettings() {
    dlg.options.delete_other_vmps.checked = 0;
    dlg.options.add_vtc_name.checked = 1;
    dlg.maps.create_TSNR_map.checked = 1;
    dlg.maps.create_lagged_autocor_map.checked = 1;
    dlg.maps.create_outlier_map.checked = 1;
    dlg.parameters.max_deviation.value = 4;
    dlg.parameters.spike_def.value = 3;
    dlg.temporal.create_temporal_outlier_logtab.checked = 1;
    dlg.temporal.create_temporal_outlier_file.checked = 1;
}

// 1 for a ticked box, 0 otherwise: the plug-in reads flags as integers.
function flag(control) {
    return control.checked ? 1 : 0;
}

// Shows the plug-in's list in the dialog's list box.
function showFileList() {
    dlg.fileList.text = Plugin.getStringParameter("FileList");
}

// Stores `command` and lets the plug-in run it.
function sendCommand(command) {
    Plugin.setStringParameter("Command", command);
    Plugin.execute();
    showFileList();
}

function onAddFile() {
    sendCommand("AddFile");
}

function onAddMDM() {
    sendCommand("AddMDM");
}

// Hands the nine settings to the plug-in and starts the analysis.
function onStart() {
    Plugin.setIntParameter("Delete_Other_Vmps", flag(dlg.options.delete_other_vmps));
    Plugin.setIntParameter("Add_Vtc_Name", flag(dlg.options.add_vtc_name));
    Plugin.setIntParameter("Create_TSNR_Map", flag(dlg.maps.create_TSNR_map));
    Plugin.setIntParameter("Create_Lagged_Autocor_Map", flag(dlg.maps.create_lagged_autocor_map));
    Plugin.setIntParameter("Create_Outlier_Map", flag(dlg.maps.create_outlier_map));
    Plugin.setFloatParameter("Max_Deviation", Number(dlg.parameters.max_deviation.value));
    Plugin.setFloatParameter("Spike_Def", Number(dlg.parameters.spike_def.value));
    Plugin.setIntParameter("Create_Temporal_Outlier_Logtab", flag(dlg.temporal.create_temporal_outlier_logtab));
    Plugin.setIntParameter("Create_Temporal_Outlier_File", flag(dlg.temporal.create_temporal_outlier_file));
    sendCommand("Start");
}

initSettings();
Plugin.setStringParameter("FileList", "");
Plugin.showDialog(dlg);
